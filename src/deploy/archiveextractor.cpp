#include "deploy/archiveextractor.h"

#include "config/foldername.h"
#include "deploy/commandmessages.h"
#include "deploy/gamelayout.h"
#include "platform/nativefile.h"
#include "platform/scopedutf8locale.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstdio>

namespace {

const QString MacMetadataFolder = QStringLiteral("__MACOSX");

constexpr qint64 ReportStep = qint64(8) << 20;

// Entry names are UTF-8 in 7z, rar and flagged zip entries. Zip tools on
// Chinese Windows write names in the ANSI code page without the flag; those
// are read as GBK when they are not valid UTF-8, name by name.
//
// Where ScopedUtf8Locale can pin the reading locale (Unix), libarchive hands
// out archive_entry_pathname as UTF-8 for the first kind and as the archive's
// own bytes for the second, and rawName decodes them; asking for UTF-8
// instead would hand GBK bytes through as if they were UTF-8. Elsewhere
// (Windows) libarchive decodes every name itself into its wide form, through
// the charset a zip reader is given for unflagged names: UTF-8 first, and for
// a name that is not valid UTF-8 a second reader set to CP936 (GBK) supplies
// the same entry's name. The narrow form would go through the ANSI code page,
// where a Chinese name does not fit on a Western system.
QString rawName(const char *raw)
{
    if (!raw) {
        return QString();
    }
    const QByteArray bytes(raw);
    QTextCodec::ConverterState state;
    const QString asUtf8 =
        QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars == 0) {
        return asUtf8;
    }
    if (QTextCodec *gbk = QTextCodec::codecForName("GBK")) {
        return gbk->toUnicode(bytes);
    }
    return QString::fromLocal8Bit(bytes);
}

QString wideName(archive_entry *entry)
{
    const wchar_t *wide = archive_entry_pathname_w(entry);
    return wide ? QString::fromWCharArray(wide) : QString();
}

} // namespace

// Reads the archive through QFile, so that names outside the local code page
// open on every platform and libarchive gets the seeking that the zip central
// directory and 7z headers need.
class ArchiveExtractor::Reader
{
public:
    // unflaggedZipNames: the charset of zip names without the UTF-8 flag,
    // where libarchive decodes names itself.
    explicit Reader(const QString &path, const char *unflaggedZipNames = "UTF-8")
        : m_file(path), m_buffer(1 << 20, Qt::Uninitialized)
    {
        m_archive = archive_read_new();
        archive_read_support_format_zip(m_archive);
        archive_read_support_format_7zip(m_archive);
        archive_read_support_format_rar(m_archive);
        archive_read_support_format_rar5(m_archive);
        if (!m_names.active()) {
            archive_read_set_format_option(m_archive, "zip", "hdrcharset", unflaggedZipNames);
        }
    }
    ~Reader() { archive_read_free(m_archive); }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    bool open()
    {
        if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            return false;
        }
        archive_read_set_callback_data(m_archive, this);
        archive_read_set_read_callback(m_archive, &Reader::read);
        archive_read_set_seek_callback(m_archive, &Reader::seek);
        archive_read_set_skip_callback(m_archive, &Reader::skip);
        return archive_read_open1(m_archive) == ARCHIVE_OK;
    }

    archive *handle() const { return m_archive; }
    bool fileOpened() const { return m_file.isOpen(); }

    int nextHeader(archive_entry **entry)
    {
        ++m_index;
        const int status = archive_read_next_header(m_archive, entry);
        m_entry = status >= ARCHIVE_WARN ? *entry : nullptr;
        return status;
    }

    // The name of the entry that nextHeader gave, as described at rawName.
    QString entryName()
    {
        if (m_names.active()) {
            return rawName(archive_entry_pathname(m_entry));
        }
        const QString name = wideName(m_entry);
        const bool zip =
            (archive_format(m_archive) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_ZIP;
        if (zip && (name.isNull() || name.contains(QChar::ReplacementCharacter))) {
            return gbkName();
        }
        return name;
    }

    QString error() const
    {
        if (!m_file.isOpen()) {
            return m_file.errorString();
        }
        const char *text = archive_error_string(m_archive);
        return text ? QString::fromLocal8Bit(text) : QString();
    }

private:
    static la_ssize_t read(archive *a, void *data, const void **block)
    {
        auto *self = static_cast<Reader *>(data);
        const qint64 count = self->m_file.read(self->m_buffer.data(), self->m_buffer.size());
        if (count < 0) {
            archive_set_error(a, EIO, "%s", qUtf8Printable(self->m_file.errorString()));
            return ARCHIVE_FATAL;
        }
        *block = self->m_buffer.constData();
        return count;
    }

    static la_int64_t seek(archive *, void *data, la_int64_t offset, int whence)
    {
        auto *self = static_cast<Reader *>(data);
        qint64 target = offset;
        if (whence == SEEK_CUR) {
            target += self->m_file.pos();
        } else if (whence == SEEK_END) {
            target += self->m_file.size();
        }
        if (target < 0 || !self->m_file.seek(target)) {
            return ARCHIVE_FATAL;
        }
        return target;
    }

    static la_int64_t skip(archive *, void *data, la_int64_t request)
    {
        auto *self = static_cast<Reader *>(data);
        const qint64 from = self->m_file.pos();
        const qint64 to = qMin(from + qMax<qint64>(request, 0), self->m_file.size());
        if (!self->m_file.seek(to)) {
            return 0;
        }
        return to - from;
    }

    // The current entry's name read by a second reader that takes unflagged
    // zip names for GBK, brought to the same entry; empty when it cannot be.
    QString gbkName()
    {
        if (!m_gbk) {
            m_gbk.reset(new Reader(m_file.fileName(), "CP936"));
            if (!m_gbk->open()) {
                return QString();
            }
        }
        archive_entry *entry = nullptr;
        while (m_gbk->m_index < m_index) {
            if (m_gbk->nextHeader(&entry) < ARCHIVE_WARN) {
                return QString();
            }
        }
        return m_gbk->m_entry ? wideName(m_gbk->m_entry) : QString();
    }

    // First, so that libarchive finds the UTF-8 character type when it
    // settles its name conversions, and keeps it until the archive is freed.
    ScopedUtf8Locale m_names;
    archive *m_archive = nullptr;
    QFile m_file;
    QByteArray m_buffer;
    qint64 m_index = 0; // headers read so far
    archive_entry *m_entry = nullptr;
    std::unique_ptr<Reader> m_gbk;
};

namespace {

bool isLink(archive_entry *entry)
{
    return archive_entry_filetype(entry) == AE_IFLNK || archive_entry_hardlink(entry) ||
           archive_entry_hardlink_w(entry) || archive_entry_hardlink_utf8(entry);
}

enum class EntryKind
{
    Folder,
    File,
    Ignored
};

} // namespace

// An entry to write, its header checked.
struct ArchiveExtractor::Entry
{
    archive_entry *header = nullptr;
    EntryKind kind = EntryKind::Ignored;
    QStringList parts; // the folder names below the destination
    QString name;      // as the archive gives it, for the messages
};

// How far the writing pass has come, for the progress and the size limit.
struct ArchiveExtractor::Written
{
    qint64 entries = 0;
    qint64 bytes = 0;
};

struct ArchiveExtractor::Scan
{
    qint64 entries = 0; // folders and files to write
    qint64 files = 0;
    qint64 bytes = 0; // as the headers declare them
};

ArchiveExtractor::ArchiveExtractor(qint64 sizeLimit) : m_sizeLimit(sizeLimit) {}

bool ArchiveExtractor::isArchiveFile(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    for (const char *known : {"zip", "7z", "rar"}) {
        if (suffix.compare(QLatin1String(known), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

QString ArchiveExtractor::modFolder(const QString &unpacked)
{
    const QFileInfoList entries = QDir(unpacked).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    if (entries.size() != 1 || !entries.first().isDir() ||
        NativeFile::isLinkOrJunction(entries.first())) {
        return unpacked;
    }
    // Unwrapping one of the game's own folders would scatter its content into
    // the game's top folder; "ABDATA" is that folder where case is ignored.
    if (!GameLayout::gameFolderName(entries.first().fileName()).isEmpty()) {
        return unpacked;
    }
    return entries.first().absoluteFilePath();
}

ArchiveExtractor::Failure ArchiveExtractor::splitEntryName(const QString &name, QStringList *parts)
{
    parts->clear();
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.startsWith(QLatin1Char('/'))) {
        return Failure::AbsolutePath;
    }
    if (path.size() >= 2 && path.at(1) == QLatin1Char(':') && path.at(0).isLetter()) {
        return Failure::AbsolutePath;
    }
    const QStringList components = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &component : components) {
        if (component == QLatin1String(".")) {
            continue;
        }
        if (component == QLatin1String("..")) {
            return Failure::ParentReference;
        }
        // The mod ends up on Windows, where a colon names a drive or a data
        // stream and "NUL" or "COM1" open a device instead of a file.
        if (!isSafeFolderName(component)) {
            return Failure::UnsafeName;
        }
        parts->append(component);
    }
    return Failure::None;
}

QString ArchiveExtractor::errorString() const
{
    return CommandMessages::archiveFailure(outcome(), m_sizeLimit);
}

bool ArchiveExtractor::fail(Failure failure, const QString &detail)
{
    m_failure = failure;
    m_detail = detail;
    return failure == Failure::None;
}

namespace {

// Sorts one entry header by its name and type; on refusal fills failure.
EntryKind classify(archive_entry *entry, QStringList *parts, ArchiveExtractor::Failure *failure,
                   const QString &name)
{
    using Failure = ArchiveExtractor::Failure;
    *failure = ArchiveExtractor::splitEntryName(name, parts);
    if (*failure != Failure::None) {
        return EntryKind::Ignored;
    }
    if (isLink(entry)) {
        *failure = Failure::Link;
        return EntryKind::Ignored;
    }
    const auto type = archive_entry_filetype(entry);
    if (type != AE_IFREG && type != AE_IFDIR) {
        *failure = Failure::SpecialFile;
        return EntryKind::Ignored;
    }
    if (archive_entry_is_encrypted(entry)) {
        *failure = Failure::Encrypted;
        return EntryKind::Ignored;
    }
    // Resource forks that macOS puts into zips; never part of a mod.
    if (!parts->isEmpty() && parts->first() == MacMetadataFolder) {
        return EntryKind::Ignored;
    }
    if (type == AE_IFDIR) {
        return parts->isEmpty() ? EntryKind::Ignored : EntryKind::Folder;
    }
    if (parts->isEmpty()) {
        *failure = Failure::UnsafeName;
        return EntryKind::Ignored;
    }
    return EntryKind::File;
}

} // namespace

bool ArchiveExtractor::nextEntry(Reader &reader, Entry *entry)
{
    for (;;) {
        const int status = reader.nextHeader(&entry->header);
        if (status == ARCHIVE_EOF) {
            return false;
        }
        if (status < ARCHIVE_WARN) {
            const bool encrypted = archive_read_has_encrypted_entries(reader.handle()) > 0;
            return fail(encrypted ? Failure::Encrypted : Failure::Damaged, reader.error());
        }
        Failure failure = Failure::None;
        entry->name = reader.entryName();
        entry->kind = classify(entry->header, &entry->parts, &failure, entry->name);
        if (failure != Failure::None) {
            return fail(failure, entry->name);
        }
        if (entry->kind != EntryKind::Ignored) {
            return true;
        }
    }
}

bool ArchiveExtractor::extract(const QString &archive, const QString &destination)
{
    fail(Failure::None);
    m_lastPerMille = -1;
    m_lastReportedBytes = 0;

    // Every header is checked before the first byte is written, so that a
    // refused archive leaves at most an empty destination behind.
    Scan found;
    const std::shared_ptr<Scan> checked = std::move(m_checked);
    if (checked && m_checkedArchive == archive) {
        found = *checked;
    } else if (!checkInto(archive, &found)) {
        return false;
    }
    return unpack(archive, destination, found);
}

bool ArchiveExtractor::check(const QString &archive)
{
    fail(Failure::None);
    auto found = std::make_shared<Scan>();
    if (!checkInto(archive, found.get())) {
        return false;
    }
    m_checked = found;
    m_checkedArchive = archive;
    return true;
}

bool ArchiveExtractor::checkInto(const QString &archive, Scan *result)
{
    if (!scan(archive, result)) {
        return false;
    }
    if (result->files == 0) {
        return fail(Failure::NoFiles);
    }
    if (result->bytes > m_sizeLimit) {
        return fail(Failure::TooLarge);
    }
    return true;
}

bool ArchiveExtractor::scan(const QString &archive, Scan *result)
{
    Reader reader(archive);
    if (!reader.open()) {
        return fail(Failure::CannotOpen, reader.error());
    }
    Entry entry;
    while (nextEntry(reader, &entry)) {
        ++result->entries;
        if (entry.kind == EntryKind::File) {
            ++result->files;
            if (archive_entry_size_is_set(entry.header)) {
                result->bytes += qMax<qint64>(archive_entry_size(entry.header), 0);
                if (result->bytes > m_sizeLimit) {
                    return fail(Failure::TooLarge);
                }
            }
        }
    }
    return m_failure == Failure::None;
}

bool ArchiveExtractor::unpack(const QString &archive, const QString &destination, const Scan &scan)
{
    Reader reader(archive);
    if (!reader.open()) {
        return fail(Failure::CannotOpen, reader.error());
    }
    if (!QDir().mkpath(destination)) {
        return fail(Failure::FolderNotMade, QDir::toNativeSeparators(destination));
    }
    const QDir root(destination);
    Written done;
    // Checked again: the file may have changed since the scan, and this is the
    // pass that writes.
    Entry entry;
    while (nextEntry(reader, &entry)) {
        if (entry.kind == EntryKind::Folder) {
            const QString relative = entry.parts.join(QLatin1Char('/'));
            if (!root.mkpath(relative)) {
                return fail(Failure::WriteFailed,
                            QDir::toNativeSeparators(root.filePath(relative)));
            }
        } else if (!writeFile(reader, entry, root, scan, done)) {
            return false;
        }
        report(++done.entries, done.bytes, scan);
    }
    return m_failure == Failure::None;
}

bool ArchiveExtractor::writeFile(Reader &reader, const Entry &entry, const QDir &root,
                                 const Scan &scan, Written &done)
{
    const QStringList &parts = entry.parts;
    const QString shown = QDir::toNativeSeparators(root.filePath(parts.join(QLatin1Char('/'))));
    if (parts.size() > 1 && !root.mkpath(parts.mid(0, parts.size() - 1).join(QLatin1Char('/')))) {
        return fail(Failure::WriteFailed, shown);
    }
    QFile out(root.filePath(parts.join(QLatin1Char('/'))));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return fail(Failure::WriteFailed, shown);
    }
    qint64 fileEnd = 0;
    if (!writeData(reader, entry, out, scan, done, &fileEnd)) {
        return false;
    }
    if (out.size() != fileEnd && !out.resize(fileEnd)) {
        return fail(Failure::WriteFailed, shown);
    }
    out.close();
    if (out.error() != QFileDevice::NoError) {
        return fail(Failure::WriteFailed, shown);
    }
    done.bytes += fileEnd;
    return true;
}

bool ArchiveExtractor::writeData(Reader &reader, const Entry &entry, QFile &out, const Scan &scan,
                                 const Written &done, qint64 *fileEnd)
{
    for (;;) {
        const void *block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int read = archive_read_data_block(reader.handle(), &block, &size, &offset);
        if (read == ARCHIVE_EOF) {
            return true;
        }
        if (read != ARCHIVE_OK) {
            // A bad checksum comes as a warning; any of them means the bytes
            // cannot be trusted.
            if (archive_entry_is_encrypted(entry.header)) {
                return fail(Failure::Encrypted, entry.name);
            }
            return fail(Failure::Damaged,
                        entry.name + QStringLiteral(" (") + reader.error() + QLatin1Char(')'));
        }
        // Holes of sparse entries count as data: they take disk space once the
        // mod is copied into the game.
        *fileEnd = qMax<qint64>(*fileEnd, offset + qint64(size));
        if (offset < 0 || done.bytes + *fileEnd > m_sizeLimit) {
            return fail(Failure::TooLarge);
        }
        if ((offset != out.pos() && !out.seek(offset)) ||
            out.write(static_cast<const char *>(block), qint64(size)) != qint64(size)) {
            return fail(Failure::WriteFailed, QDir::toNativeSeparators(out.fileName()));
        }
        report(done.entries, done.bytes + *fileEnd, scan);
    }
}

void ArchiveExtractor::report(qint64 entries, qint64 bytes, const Scan &scan)
{
    if (!m_progress) {
        return;
    }
    // Half the bar for the entries, half for the bytes, so that neither many
    // small files nor one large file leaves it standing still.
    const double entryShare = scan.entries > 0 ? double(entries) / double(scan.entries) : 1.0;
    const double byteShare = scan.bytes > 0 ? double(bytes) / double(scan.bytes) : 1.0;
    const int perMille = qBound(0, int((qMin(entryShare, 1.0) + qMin(byteShare, 1.0)) * 500), 1000);
    // Also every few megabytes without a visible change, so that the window
    // gets a turn of its event loop while a large entry is unpacked.
    if (perMille != m_lastPerMille || bytes - m_lastReportedBytes >= ReportStep) {
        m_lastPerMille = perMille;
        m_lastReportedBytes = bytes;
        m_progress(perMille);
    }
}
