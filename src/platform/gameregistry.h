#ifndef VELDANE_PLATFORM_GAMEREGISTRY_H
#define VELDANE_PLATFORM_GAMEREGISTRY_H

#include <QString>

// The install folder that a game's own installer wrote to the registry
// (HKEY_CURRENT_USER\Software\illusion\<game>, value INSTALLDIR), or an empty
// string when there is none.
namespace GameRegistry {
QString installDir(const QString &game);
}

#endif
