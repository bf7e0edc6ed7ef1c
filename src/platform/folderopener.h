#ifndef VELDANE_PLATFORM_FOLDEROPENER_H
#define VELDANE_PLATFORM_FOLDEROPENER_H

#include <QString>

// Shows a folder in the system's file manager. Failures are not reported.
namespace FolderOpener {
void openFolder(const QString &folder);
}

#endif
