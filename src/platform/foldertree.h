#ifndef VELDANE_PLATFORM_FOLDERTREE_H
#define VELDANE_PLATFORM_FOLDERTREE_H

#include <QString>

// Whole folders that Veldane made and owns: backup trees, kept copies,
// unpack folders.
class FolderTree
{
public:
    // Removes `dir` with everything in it; a link inside is removed as a
    // link. True when the folder is gone or was never there; false for an
    // empty path.
    static bool remove(const QString &dir);
};

#endif
