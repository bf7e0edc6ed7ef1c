#include "support/testsupport.h"

#include "platform/nativefile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <iterator>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

ScopedWorkingDir::ScopedWorkingDir() : m_previous(QDir::currentPath())
{
    QDir::setCurrent(m_dir.path());
}

ScopedWorkingDir::~ScopedWorkingDir()
{
    QDir::setCurrent(m_previous);
}

namespace TestFiles {

bool write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(content) == content.size();
}

QByteArray read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}

QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> entries;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = base.relativeFilePath(info.filePath());
        if (info.isSymLink()) {
            entries.insert(relative, "<link>" + QFile::encodeName(info.symLinkTarget()));
        } else if (info.isDir()) {
            entries.insert(relative, "<dir>");
        } else {
            entries.insert(relative, read(info.filePath()));
        }
    }
    return entries;
}

QMap<QString, QByteArray> fileSnapshot(const QString &root)
{
    QMap<QString, QByteArray> files = snapshot(root);
    for (auto it = files.begin(); it != files.end();) {
        it = it.value() == "<dir>" ? files.erase(it) : std::next(it);
    }
    return files;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

#ifdef Q_OS_WIN

namespace {

// The host's name of a path under Wine; empty elsewhere.
QString wineUnixName(const QString &path)
{
    using ToUnix = char *(CDECL *)(const wchar_t *);
    const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    char *name = toUnix ? toUnix(reinterpret_cast<const wchar_t *>(native.utf16())) : nullptr;
    if (!name) {
        return QString();
    }
    const QString host = QString::fromUtf8(name);
    HeapFree(GetProcessHeap(), 0, name);
    return host;
}

} // namespace

bool makeLink(const QString &target, const QString &link)
{
    // Without this flag only an administrator or developer mode may make links.
    const DWORD unprivileged = 0x2; // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    const DWORD flags =
        unprivileged | (QFileInfo(target).isDir() ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
    const QString from = QDir::toNativeSeparators(link);
    const auto made = [&from] {
        return GetFileAttributesW(reinterpret_cast<const wchar_t *>(from.utf16())) !=
                   INVALID_FILE_ATTRIBUTES ||
               QFileInfo(from).isSymLink();
    };
    if (CreateSymbolicLinkW(
            reinterpret_cast<const wchar_t *>(from.utf16()),
            reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(target).utf16()), flags) &&
        made()) {
        return true;
    }
    // Wine 8 answers success and makes nothing, and refuses junctions; it
    // shows a link of the host's as a reparse point, so the host's ln makes
    // one there. Wine cannot wait for a host program: look for its link.
    // A link leading nowhere is not seen there: it is made to a file that
    // goes again once the link is seen.
    const bool dangling = !QFileInfo::exists(target) && write(target, QByteArray());
    const QString unixTarget = wineUnixName(target);
    const QString unixLink = wineUnixName(link);
    bool linked =
        !unixTarget.isEmpty() && !unixLink.isEmpty() &&
        QProcess::startDetached(QStringLiteral("Z:/bin/ln"), {"-s", unixTarget, unixLink});
    for (int wait = 0; linked && wait < 100 && !made(); ++wait) {
        Sleep(20);
    }
    linked = linked && made();
    if (dangling) {
        QFile::remove(target);
    }
    return linked;
}

bool underWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll"), "wine_get_version") != nullptr;
}

QString otherVolume()
{
    // scripts/test-windows.sh maps a free drive letter to a folder on /dev/shm.
    const QString drive = qEnvironmentVariable("VELDANE_TEST_OTHER_DRIVE");
    return drive.isEmpty() || !QFileInfo(drive + "/").isDir() ? QString() : drive;
}

#else

bool makeLink(const QString &target, const QString &link)
{
    return QFile::link(target, link);
}

bool underWine()
{
    return false;
}

QString otherVolume()
{
    struct stat shm;
    struct stat here;
    if (::stat("/dev/shm", &shm) != 0 ||
        ::stat(QFile::encodeName(QDir::tempPath()).constData(), &here) != 0 ||
        shm.st_dev == here.st_dev) {
        return QString();
    }
    return QStringLiteral("/dev/shm");
}

#endif

QPair<quint64, quint64> fileId(const QString &path)
{
    NativeFile::FileId id;
    return NativeFile::fileId(path, id) ? qMakePair(id.volume, id.index)
                                        : QPair<quint64, quint64>(0, 0);
}

} // namespace TestFiles
