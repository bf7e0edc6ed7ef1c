#ifndef VELDANE_DEPLOY_ARCHIVEEXTRACTOR_H
#define VELDANE_DEPLOY_ARCHIVEEXTRACTOR_H

#include "platform/outcome.h"

class QDir;
class QFile;

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// Unpacks a zip, 7z or rar archive into a folder, so that a downloaded mod can
// be installed like a mod folder. Archives come from the internet, so every
// entry is checked before anything is written: an archive with an absolute or
// ".." path, a link, a device or pipe, an encrypted entry, damaged data or more
// unpacked data than the size limit is refused as a whole, with a code and the
// entry at fault, which CommandMessages words. Nothing is ever written outside the destination
// folder.
class ArchiveExtractor
{
public:
    enum class Failure
    {
        None,
        CannotOpen,
        Damaged,
        AbsolutePath,
        ParentReference,
        UnsafeName,
        Link,
        SpecialFile,
        Encrypted,
        TooLarge,
        NoFiles,
        FolderNotMade, // the destination could not be made
        WriteFailed,
    };

    // Big enough for any real mod, small enough to stop a zip bomb from
    // filling the disk.
    static constexpr qint64 DefaultSizeLimit = qint64(8) << 30;

    // Called with the unpacked share in per mille when it changes, and every
    // few megabytes unpacked even when it does not.
    using Progress = std::function<void(int perMille)>;

    explicit ArchiveExtractor(qint64 sizeLimit = DefaultSizeLimit);

    void setProgress(Progress progress) { m_progress = std::move(progress); }
    qint64 sizeLimit() const { return m_sizeLimit; }

    // Unpacks archive into destination, a folder that the caller owns and
    // removes afterwards, made here when missing; on failure it may hold part
    // of the archive.
    bool extract(const QString &archive, const QString &destination);
    // Checks every header as extract does first, and writes nothing. The next
    // extract of the same archive by this object then goes straight to the
    // writing pass, which checks every entry again.
    bool check(const QString &archive);

    Failure failure() const { return m_failure; }
    // The failure with the entry or file at fault.
    Outcome<Failure> outcome() const { return Outcome<Failure>(m_failure, m_detail); }
    // The failure as a sentence for the user (CommandMessages::archiveFailure).
    QString errorString() const;

    // True for the file types the drop handler unpacks (zip, 7z, rar).
    static bool isArchiveFile(const QString &path);

    // The folder to install from an unpacked archive: the single top-level
    // folder when it is the only entry and not one of the game's own folders
    // ("abdata", "Plugins", "UserData"), since most mods are packed inside one
    // folder named after them; otherwise unpacked itself.
    static QString modFolder(const QString &unpacked);

    // Splits an entry name into the folder names below the destination, taking
    // "/" and "\" as separators. Returns Failure::None when the name is safe.
    static Failure splitEntryName(const QString &name, QStringList *parts);

private:
    class Reader;
    struct Entry;
    struct Scan;
    struct Written;

    // Reads headers up to the next folder or file to write, checking each;
    // false at the end of the archive, or at a refusal, which failure() tells.
    bool nextEntry(Reader &reader, Entry *entry);
    bool scan(const QString &archive, Scan *result);
    bool checkInto(const QString &archive, Scan *result);
    bool unpack(const QString &archive, const QString &destination, const Scan &scan);
    // The steps of unpack for one file entry: the file made, then its data.
    bool writeFile(Reader &reader, const Entry &entry, const QDir &root, const Scan &scan,
                   Written &done);
    bool writeData(Reader &reader, const Entry &entry, QFile &out, const Scan &scan,
                   const Written &done, qint64 *fileEnd);
    bool fail(Failure failure, const QString &detail = QString());
    void report(qint64 entries, qint64 bytes, const Scan &scan);

    qint64 m_sizeLimit;
    Progress m_progress;
    Failure m_failure = Failure::None;
    QString m_detail;
    int m_lastPerMille = -1;
    qint64 m_lastReportedBytes = 0;
    std::shared_ptr<Scan> m_checked;
    QString m_checkedArchive;
};

#endif
