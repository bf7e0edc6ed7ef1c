#include "support/testarchive.h"

#include <QDebug>

#include <archive.h>
#include <archive_entry.h>

namespace TestArchive {

Entry file(const QString &name, const QByteArray &data)
{
    return Entry{Entry::File, name, data};
}

Entry folder(const QString &name)
{
    return Entry{Entry::Folder, name, QByteArray()};
}

Entry special(Entry::Kind kind, const QString &name, const QByteArray &target)
{
    return Entry{kind, name, target};
}

#ifdef Q_OS_WIN
static const wchar_t *wideText(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}
#endif

bool write(const QString &path, Format format, const QList<Entry> &entries, const char *options)
{
    archive *a = archive_write_new();
    if (format == Format::Zip) {
        archive_write_set_format_zip(a);
    } else {
        archive_write_set_format_7zip(a);
    }
    bool ok = true;
#ifdef Q_OS_WIN
    // In the C locale that a Windows program starts in, libarchive turns a name
    // into the header's bytes through that locale's code page, where no
    // Chinese name fits: the zip writer then dereferences the missing name.
    // UTF-8 headers, as the writer uses on Linux, unless the options choose.
    if (format == Format::Zip) {
        ok = archive_write_set_format_option(a, "zip", "hdrcharset", "UTF-8") == ARCHIVE_OK;
    }
#endif
    if (options) {
        ok = archive_write_set_options(a, options) == ARCHIVE_OK &&
             archive_write_set_passphrase(a, "secret") == ARCHIVE_OK;
    }
#ifdef Q_OS_WIN
    ok = ok && archive_write_open_filename_w(a, wideText(path)) == ARCHIVE_OK;
#else
    ok = ok && archive_write_open_filename(a, path.toLocal8Bit().constData()) == ARCHIVE_OK;
#endif
    for (const Entry &item : entries) {
        if (!ok) {
            break;
        }
        archive_entry *entry = archive_entry_new();
#ifdef Q_OS_WIN
        // libarchive for Windows converts names for the headers from their
        // wide form only; a name given as UTF-8 alone comes out empty in 7z.
        archive_entry_copy_pathname_w(entry, wideText(item.name));
#else
        archive_entry_set_pathname_utf8(entry, item.name.toUtf8().constData());
#endif
        archive_entry_set_mtime(entry, 1700000000, 0);
        switch (item.kind) {
        case Entry::File:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, 0644);
            archive_entry_set_size(entry, item.data.size());
            break;
        case Entry::Folder:
            archive_entry_set_filetype(entry, AE_IFDIR);
            archive_entry_set_perm(entry, 0755);
            break;
        case Entry::Symlink:
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_perm(entry, 0777);
            archive_entry_set_symlink(entry, item.data.constData());
            break;
        case Entry::Hardlink:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, 0644);
            archive_entry_set_hardlink(entry, item.data.constData());
            break;
        case Entry::Fifo:
            archive_entry_set_filetype(entry, AE_IFIFO);
            archive_entry_set_perm(entry, 0644);
            break;
        case Entry::CharDevice:
            archive_entry_set_filetype(entry, AE_IFCHR);
            archive_entry_set_perm(entry, 0644);
            archive_entry_set_rdev(entry, 0x0103);
            break;
        }
        ok = archive_write_header(a, entry) == ARCHIVE_OK;
        if (ok && item.kind == Entry::File && !item.data.isEmpty()) {
            ok = archive_write_data(a, item.data.constData(), size_t(item.data.size())) ==
                 item.data.size();
        }
        if (!ok) {
            qWarning() << "cannot write" << item.name << archive_error_string(a);
        }
        archive_entry_free(entry);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    return ok;
}

} // namespace TestArchive
