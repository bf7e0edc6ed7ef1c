#ifndef VELDANE_PLATFORM_WINEREGISTRY_H
#define VELDANE_PLATFORM_WINEREGISTRY_H

#include <QString>

// Reads HKEY_CURRENT_USER of a Wine prefix, which Wine keeps in the text file
// <prefix>/user.reg, and maps the Windows paths found there to folders of the
// prefix. Plain code without any Windows call, so it builds everywhere.
class WineRegistry
{
public:
    // The prefix that runs Windows programs for this user: $WINEPREFIX when
    // set and not empty, as Wine itself decides, else ~/.wine.
    static QString prefixFolder();

    // The string value of a key below HKEY_CURRENT_USER, read from a user.reg
    // file. Key path components are separated by single backslashes
    // ("Software\\illusion\\HoneySelect"); key and value names compare without
    // regard to letter case, as Windows compares them. Sets *found (when
    // given) to whether a string value was there; an unreadable file, a
    // missing key or value, or a value that is not a string yields an empty
    // string and false.
    static QString readString(const QString &userRegFile, const QString &keyPath,
                              const QString &valueName, bool *found = nullptr);

    // The folder of the prefix that a Windows path such as "C:\\Games\\HS\\"
    // names: drive C is <prefix>/drive_c, any other drive letter the target
    // of the link <prefix>/dosdevices/<letter>:. Components that do not exist
    // with that exact case are matched without regard to case, as Wine does.
    // Returns a native folder path with one trailing separator, or an empty
    // string for a path without a drive letter or on a drive the prefix lacks.
    static QString folderForWindowsPath(const QString &prefix, const QString &windowsPath);

    // Unescapes one name or string of a user.reg file, starting just after its
    // opening quote (or bracket), up to the unescaped closing character. Sets
    // *end to the index just past the closing character, or -1 when the text
    // ends before it.
    static QString unescape(const QString &text, int start, QChar closing, int *end);
};

#endif
