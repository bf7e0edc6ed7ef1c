#ifndef VELDANE_PLATFORM_FOLDEROPENER_H
#define VELDANE_PLATFORM_FOLDEROPENER_H

#include <QString>

#include <functional>

// Shows a folder in the system's file manager: Windows Explorer on Windows,
// the desktop's file manager elsewhere. Returns whether the launch was
// started; an empty path is not launched at all.
namespace FolderOpener {
bool openFolder(const QString &folder);

// Starts a program detached with a command line of its own (Windows), and
// returns whether it started.
using Launcher = std::function<bool(const QString &program, const QString &nativeArguments)>;
// Replaces how Explorer is started, for tests that record the launch instead;
// an empty launcher restores the real one. Elsewhere the desktop's URL
// handlers (QDesktopServices::setUrlHandler) take that role.
void setLauncher(Launcher launcher);

// Explorer's command line for `folder`: its native path as one quoted
// argument, so that blanks and commas stay part of it.
QString explorerArgument(const QString &folder);
} // namespace FolderOpener

#endif
