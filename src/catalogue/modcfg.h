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

// The catalogue of one game: ./config/<game>.xml and its records in memory.
// Every change re-reads the file, edits the parsed document and replaces the
// file atomically, so a failed write leaves the previous catalogue whole.
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
    bool readDocument(QDomDocument &doc) const;
    bool writeDocument(const QDomDocument &doc) const;
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
    QHash<QString, int> m_installedFolded; // the same by QString::toCaseFolded
};

#endif
