#ifndef VELDANE_PLATFORM_FOLDEROPENER_H
#define VELDANE_PLATFORM_FOLDEROPENER_H

#include <QString>

// Shows a folder in the system's file manager: Windows Explorer on Windows,
// the desktop's file manager elsewhere. Returns whether the launch was
// started; an empty path is not launched at all.
namespace FolderOpener {
bool openFolder(const QString &folder);

// Explorer's command line for `folder`: its native path as one quoted
// argument, so that blanks and commas stay part of it.
QString explorerArgument(const QString &folder);
} // namespace FolderOpener

#endif
