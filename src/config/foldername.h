#ifndef VELDANE_CONFIG_FOLDERNAME_H
#define VELDANE_CONFIG_FOLDERNAME_H

#include <QString>

// Why a name is not one ordinary folder name; CommandMessages::folderNameReason
// words it.
enum class FolderNameFault
{
    None,
    Empty,
    DotOrDotDot,
    Separator,
    ControlCharacter,
    ReservedCharacter,
    TrailingDotOrBlank,
    DeviceName,
    TooLong,
};

// Mod names and game names become folder names that removal deletes
// recursively, so a name must be exactly one ordinary folder name on both
// Windows and Linux.
FolderNameFault folderNameFault(const QString &name);
bool isSafeFolderName(const QString &name);

// Whether Windows can hold a file or folder of this name: no character it
// reserves, no trailing dot or blank (dropped there, so "a." and "a" are one
// file), no device name such as "CON" or "nul.txt". Unlike isSafeFolderName
// there is no length limit: a mod's file names only have to fit its game.
bool isWindowsFileName(const QString &name);
// Whether the name holds a control character or one of the characters Windows
// reserves in names, the separators among them.
bool hasReservedCharacter(const QString &name);

// The folder below a game's backup root where uninstalls set aside the
// versions of game files that did not stay in the game. Every other folder
// there is a mod's backup folder, so no mod may be called so; the comparison
// ignores letter case, as Windows does.
QString setAsideFolderName();
bool isSetAsideFolderName(const QString &name);

// Archives are unpacked into a folder of this name beside the kept copies,
// which becomes the kept copy once the archive is whole on disk. A folder of
// such a name that no unfinished command names is a leftover and goes, so no
// mod may be called so either (compared without case).
QString unpackFolderPrefix();
bool isUnpackFolderName(const QString &name);

#endif
