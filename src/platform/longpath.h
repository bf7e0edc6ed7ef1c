#ifndef VELDANE_PLATFORM_LONGPATH_H
#define VELDANE_PLATFORM_LONGPATH_H

#include <QString>

// Windows' file functions stop at 260 characters unless a path is handed over
// in its extended form ("\\?\C:\..." or "\\?\UNC\server\share\..."), which the
// system takes literally: no "." or ".." is resolved and "/" is no separator.
// Qt makes that form for its own calls; the calls of ours need it too.
namespace LongPath {

// The extended form of an absolute path ("C:/x", "\\server\share\x", either
// separator), cleaned of "." and "..". A path already in that form, a device
// path ("\\.\...") and a path that is not absolute come back only with native
// separators: the system must resolve those against the current folder. A
// pure function of the string, so that it is the same on every platform.
QString toWin32(const QString &path);

} // namespace LongPath

#endif
