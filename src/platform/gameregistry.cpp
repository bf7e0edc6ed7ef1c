#include "platform/gameregistry.h"

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <QVector>
#else
#include "platform/wineregistry.h"
#endif

namespace GameRegistry {

#ifdef Q_OS_WIN

QString installDir(const QString &game)
{
    // The wide calls, so that a game name outside the ANSI code page still
    // names its key; the 64-bit view, where the games' installers write even
    // when this program runs as a 32-bit process.
    const QString subKey = QStringLiteral("Software\\illusion\\") + game;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t *>(subKey.utf16()), 0,
                      KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
        return QString();
    }
    const wchar_t *valueName = L"INSTALLDIR";
    DWORD type = 0;
    DWORD size = 0;
    QString result;
    // The size is asked first, so that a folder longer than MAX_PATH is read
    // whole instead of being cut short.
    if (RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
        QVector<wchar_t> buffer(int(size / sizeof(wchar_t)) + 1, L'\0');
        DWORD read = size;
        if (RegQueryValueExW(key, valueName, nullptr, &type,
                             reinterpret_cast<LPBYTE>(buffer.data()), &read) == ERROR_SUCCESS) {
            result = QString::fromWCharArray(buffer.constData());
        }
    }
    RegCloseKey(key);
    return result;
}

#else

QString installDir(const QString &game)
{
    // Without a Windows registry, the game runs in a Wine prefix, whose
    // HKEY_CURRENT_USER is the file user.reg.
    const QString prefix = WineRegistry::prefixFolder();
    bool found = false;
    const QString value = WineRegistry::readString(prefix + QStringLiteral("/user.reg"),
                                                   QStringLiteral("Software\\illusion\\") + game,
                                                   QStringLiteral("INSTALLDIR"), &found);
    if (!found || value.isEmpty()) {
        return QString();
    }
    return WineRegistry::folderForWindowsPath(prefix, value);
}

#endif

} // namespace GameRegistry
