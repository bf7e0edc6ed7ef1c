#include "platform/longpath.h"

#include <QDir>

namespace LongPath {

namespace {

bool isDriveAbsolute(const QString &path)
{
    if (path.size() < 3 || path.at(1) != QLatin1Char(':') || path.at(2) != QLatin1Char('\\')) {
        return false;
    }
    const ushort drive = path.at(0).toUpper().unicode();
    return drive >= 'A' && drive <= 'Z';
}

// "\\server\share..." with a server name, as opposed to "\\?\" and "\\.\".
bool isUnc(const QString &path)
{
    return path.startsWith(QLatin1String("\\\\")) && path.size() > 2 &&
           path.at(2) != QLatin1Char('\\') && path.at(2) != QLatin1Char('?') &&
           path.at(2) != QLatin1Char('.');
}

// QDir::cleanPath works on "/"; a drive's root keeps its separator.
QString cleaned(const QString &path)
{
    QString clean = QDir::cleanPath(QString(path).replace(QLatin1Char('\\'), QLatin1Char('/')));
    if (clean.size() == 2 && clean.at(1) == QLatin1Char(':')) {
        clean += QLatin1Char('/'); // "\\?\C:" would name the volume, not its root folder
    }
    return clean.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

} // namespace

QString toWin32(const QString &path)
{
    QString native = path;
    native.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (native.startsWith(QLatin1String("\\\\?\\")) ||
        native.startsWith(QLatin1String("\\\\.\\"))) {
        // Taken literally by the system: a "/" written there was meant as a
        // separator by whoever wrote it, since file names cannot hold one.
        return native;
    }
    if (isDriveAbsolute(native)) {
        return QLatin1String("\\\\?\\") + cleaned(native);
    }
    if (isUnc(native)) {
        // Cleaned as a path of its own: cleanPath keeps a leading "//" only on
        // Windows.
        return QLatin1String("\\\\?\\UNC\\") + cleaned(native.mid(2));
    }
    return native;
}

} // namespace LongPath
