#ifndef VELDANE_PLATFORM_TRASHCAN_H
#define VELDANE_PLATFORM_TRASHCAN_H

#include <QString>

// The system's trash: the Recycle Bin on Windows, the freedesktop trash on
// Linux.
class TrashCan
{
public:
    // Moves the file to the trash; false, with the file where it was, when the
    // trash cannot take it.
    //
    // Qt 5.15 on Linux reports success even when it could not set up the
    // trash folder: it then moves the file into "files/" below the process's
    // working directory. Such a move is taken back and reported as a failure.
    static bool moveToTrash(const QString &path);
};

#endif
