#ifndef VELDANE_CATALOGUE_MODCFG_H
#define VELDANE_CATALOGUE_MODCFG_H

#include "catalogue/modrecord.h"
#include "catalogue/recordedfile.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

class QDomDocument;
class QDomElement;

// The catalogue of one game: config/<game>.xml in the workspace and its
// records in memory.
// Every change starts from the file on disk and replaces the file atomically,
// so a failed write leaves the previous catalogue whole. The file is read
// again only when it changed since this object last read or wrote it (size
// and times differ, or, when its times are too close to that moment to tell,
// its content differs); it is then read whole, records included.
//
// A file in the layout this class writes is read in one pass, checked to be
// exactly what the writer makes of what was read, and written from the
// records in memory. Any other file (written by hand, with comments,
// foreign elements or repeated ids) is kept as a document tree, edited and
// saved as such, so that nothing in it is lost.
//
// Memory and file on a failed write: addItem, addItems and setInstall change
// the records in memory before writing and keep that change when the write
// fails (the files they describe are in the game folder either way), while
// setInfo, deleteMod and applyChanges change memory only after a successful
// write. A file that cannot be read or parsed fails every change with nothing
// changed anywhere.
//
// Texts that XML cannot carry (control characters, broken surrogates) are
// refused with false before anything changes: written out they would make the
// whole catalogue unreadable. addItems still records the other files of its
// batch, as the matching addItem calls would.
class ModCfg : public QObject
{
    Q_OBJECT

public:
    explicit ModCfg(QObject *parent = nullptr);
    // A catalogue kept in another folder than the working directory's
    // ./config (Workspace::configFolder()).
    explicit ModCfg(const QString &configFolder, QObject *parent = nullptr);
    ~ModCfg() override;

    void setGame(const QString &game);
    bool load();
    bool exists() const;
    // Writes a new, empty catalogue; refuses (false) when the file already
    // exists, so that a catalogue is never replaced by an empty one.
    bool create();

    bool addItem(const QString &id, const QString &path, bool replaced);
    // Records many files of one mod with a single read and write; the result
    // equals the same sequence of addItem calls.
    bool addItems(const QString &id, const QList<RecordedFile> &files);

    bool setInstall(const QString &id, bool installed);
    bool setInfo(const QString &id, const QString &text);
    bool deleteMod(const QString &id);

    // Replaces, in one read and write, the install flag and both item lists of
    // each given record (notes and time stay as the file has them; an id the
    // file lacks is appended as a new mod with the record's notes and time),
    // and removes the records named in `removed`. Memory changes only after a
    // successful write.
    bool applyChanges(const QMap<QString, ModRecord> &changed,
                      const QStringList &removed = QStringList());

    // Items of installed mods recorded under this path text, compared without
    // case while PathCase::ignoresCase().
    int installedItemCount(const QString &path) const;

    // Whether `name` is an XML name that the catalogue reader accepts as a tag.
    static bool isXmlName(const QString &name);
    // The root tag of a new catalogue: the game name when it is an XML name.
    static QString rootTagFor(const QString &game);

    QString m_gameName;
    QString m_cfgPath;
    QMap<QString, ModRecord> m_mods;

private:
    QString m_configFolder = QStringLiteral("./config");

    // What the file looked like when this object last read or wrote it.
    struct FileStamp
    {
        bool valid = false;
        qint64 size = -1;
        qint64 modified = 0; // ms since the epoch
        qint64 changed = 0;  // metadata change time, ms since the epoch
        qint64 takenAt = 0;  // when the stamp was taken, ms since the epoch
        quint64 hash = 0;    // of the whole content, taken when the times cannot tell

        // Whether the file's times are too close to the moment of the stamp to
        // show a later write: they follow a coarse clock, and some file
        // systems keep them in whole seconds.
        bool timesTooRecent() const;
    };
    struct Snapshot;

    static FileStamp stampOf(const QString &path);
    bool readSnapshot(Snapshot &snapshot) const;
    void adopt(Snapshot &snapshot, bool replaceRecords);
    bool sync();
    bool unchangedOnDisk() const;
    bool commitBytes(QByteArray &bytes);
    void stampWritten(quint64 hash);
    bool writeLayout(const QStringList &order, const QMap<QString, ModRecord> &overrides);
    void leaveLayout();
    void recordInLayout(const QString &id, const QString &path, bool replaced, bool inFile);
    bool applyInLayout(const QMap<QString, ModRecord> &changed, const QStringList &removed);

    bool readDocument(QDomDocument &doc) const;
    bool writeDocument(const QDomDocument &doc);
    void recordFile(QDomDocument &doc, QDomElement &mod, const QString &id, const QString &path,
                    bool replaced);
    ModRecord &ensureRecord(const QString &id, const QDomElement &mod);
    void putRecord(const QString &id, const ModRecord &record);
    void dropRecord(const QString &id);
    void countRecord(const ModRecord &record, int sign);
    void countPath(const QString &path, int sign);
    void rebuildIndex();

    // Installed items by path; kept in step with m_mods by every operation.
    QHash<QString, int> m_installedCount;
    // The same by QString::toCaseFolded, for game folders that ignore case;
    // built on the first question that needs it, then kept in step.
    mutable QHash<QString, int> m_installedFolded;
    mutable bool m_foldedStale = true;

    // True while the file is exactly what the writer makes of m_layoutOrder
    // and the records in memory: changes are then written from memory.
    // Otherwise every change edits the document tree read from the file.
    bool m_inLayout = false;
    QStringList m_layoutOrder; // ids of the file's mod elements, in file order
    QString m_rootTag;
    FileStamp m_stamp;
};

#endif
