#ifndef VELDANE_CATALOGUE_FILEITEM_H
#define VELDANE_CATALOGUE_FILEITEM_H

#include <QString>

// One file that a mod's installation put into the game folder.
struct FileItem
{
    int order = 0; // layer of the file among the installed mods that hold the same path
    QString path;  // absolute path of the installed file, as the installer built it

    bool operator==(const FileItem &other) const
    {
        return order == other.order && path == other.path;
    }
};

#endif
