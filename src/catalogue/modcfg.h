#ifndef VELDANE_CATALOGUE_MODCFG_H
#define VELDANE_CATALOGUE_MODCFG_H

#include "catalogue/cataloguechange.h"
#include "catalogue/cataloguefile.h"
#include "catalogue/installedindex.h"
#include "catalogue/modrecord.h"
#include "catalogue/recordedfile.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

class CatalogueDocument;
class CatalogueSnapshot;
class QDomElement;

// The catalogue of one game: config/<game>.xml in the workspace and its
// records in memory.
// Every change starts from the file on disk and replaces the file atomically,
// so a failed write leaves the previous catalogue whole. The file is read
// again only when it changed since this object last read or wrote it (size
// and times differ, or, when its times are too close to that moment to tell,
// its content differs); it is then read whole, records included.
//
// A file in the canonical text this class writes (CanonicalWriter) is read in
// one pass, checked to be exactly what the writer makes of what was read, and
// written from the records in memory. Any other file (written by hand, with comments,
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

    // How the last change (create, addItem, addItems, setInstall, setInfo,
    // deleteMod, applyChanges) went, in one list of codes for all of them.
    // Their bool results keep the meanings callers rely on, which differ: an
    // unknown id is a success for setInfo (UnknownMod here all the same) and a
    // failure for setInstall and deleteMod.
    const CatalogueOutcome &lastChange() const { return m_lastChange; }

    // Read-only views for new code, which should not reach into the members.
    const QString &gameName() const { return m_gameName; }
    const QString &cataloguePath() const { return m_cfgPath; }
    const QMap<QString, ModRecord> &mods() const { return m_mods; }
    bool hasMod(const QString &id) const { return m_mods.contains(id); }
    // The record of `id`, or an empty one.
    ModRecord mod(const QString &id) const { return m_mods.value(id); }

private:
    // Brings the records and the way of writing up to date with the file: read
    // again, records included, when it is not the file last read or written
    // here. Every change starts with it; it never writes.
    bool reloadIfChanged();
    void adopt(CatalogueSnapshot &snapshot, bool replaceRecords);
    bool commitBytes(QByteArray &bytes);
    // Starts a change's account; fail() records how it failed and returns false.
    void beginChange() { m_lastChange = CatalogueOutcome(); }
    bool fail(CatalogueChange code, const QString &detail);

    // Changes written from memory while the file is in the canonical text.
    bool writeCanonical(const QStringList &order, const QMap<QString, ModRecord> &overrides);
    void leaveCanonical();
    void recordCanonical(const QString &id, const QString &path, bool replaced, bool inFile);
    bool addItemsCanonical(const QString &id, const QList<RecordedFile> &files);
    bool setInstallCanonical(const QString &id, int flag);
    bool setInfoCanonical(const QString &id, const QString &text);
    bool deleteModCanonical(const QString &id);
    bool applyCanonical(const QMap<QString, ModRecord> &changed, const QStringList &removed);

    // The same changes made to the document tree of any other file.
    bool addItemsInDocument(const QString &id, const QList<RecordedFile> &files);
    bool setInstallInDocument(const QString &id, int flag);
    bool setInfoInDocument(const QString &id, const QString &text);
    bool deleteModInDocument(const QString &id);
    bool applyInDocument(const QMap<QString, ModRecord> &changed, const QStringList &removed);
    void editDocument(CatalogueDocument &doc, QHash<QString, QDomElement> &mods,
                      const QMap<QString, ModRecord> &changed, const QStringList &removed);
    bool writeDocument(const CatalogueDocument &doc);
    void recordFile(CatalogueDocument &doc, QDomElement &mod, const QString &id,
                    const QString &path, bool replaced);
    ModRecord &ensureRecord(const QString &id, const QDomElement &mod);

    // A new mod's record holding its first file.
    static ModRecord firstRecord(const FileItem &item, bool replaced);
    void putRecord(const QString &id, const ModRecord &record);
    void dropRecord(const QString &id);

    QString m_configFolder = QStringLiteral("./config");
    // Installed items by path; kept in step with m_mods by every operation.
    InstalledIndex m_index;
    // True while the file is exactly what CanonicalWriter makes of
    // m_canonicalOrder and the records in memory: changes are then written
    // from memory. Otherwise every change edits the document tree read from
    // the file.
    bool m_canonical = false;
    QStringList m_canonicalOrder; // ids of the file's mod elements, in file order
    QString m_rootTag;
    CatalogueFile m_file;
    CatalogueOutcome m_lastChange;
};

#endif
