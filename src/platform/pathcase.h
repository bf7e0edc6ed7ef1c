#ifndef VELDANE_PLATFORM_PATHCASE_H
#define VELDANE_PLATFORM_PATHCASE_H

#include <QHash>
#include <QString>

// Whether the game folder's file system takes names that differ only in
// letter case for one file, as Windows does and as exFAT or NTFS do when
// mounted on Linux. Every comparison of recorded game paths (the layer stack,
// the catalogue's path index, the relations dialog, the top-folder rule) asks
// here, so that they all agree on what one file is.
//
// The answer is a switch for the whole process: each command probes its game
// folder once and sets it; tests force it on to get the Windows behaviour on
// any machine.
class PathCase
{
public:
    // True on Windows, when the last probe found a game folder that ignores
    // case, or while a test forces it.
    static bool ignoresCase();
    static Qt::CaseSensitivity sensitivity();

    // Looks up a name of the game folder (one of its entries, else the folder
    // itself) under another letter case and sets the switch from the answer.
    // A folder that cannot be read counts as case-sensitive.
    static bool probe(const QString &gameFolder);

    // While on, ignoresCase() answers true whatever the probe finds.
    static void setForced(bool on);

    // The text that every spelling of one path shares: case folded while
    // case is ignored, and on Windows either separator as "/".
    static QString key(const QString &path);

    // The names of `folder`'s entries by key(name), while case is ignored;
    // empty otherwise and for a folder that does not exist.
    static QHash<QString, QString> spellings(const QString &folder);
    // The spelling under which `folder` holds `name`: its existing entry's
    // name while case is ignored, else `name` itself.
    static QString existingName(const QString &folder, const QString &name);
};

#endif
