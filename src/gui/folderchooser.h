#ifndef VELDANE_GUI_FOLDERCHOOSER_H
#define VELDANE_GUI_FOLDERCHOOSER_H

#include <QCoreApplication>
#include <QString>

// The folder browser of the settings and add-game dialogs: a parentless file
// dialog for folders only, starting on the desktop.
class FolderChooser
{
    Q_DECLARE_TR_FUNCTIONS(FolderChooser)

public:
    // The chosen folder with native separators, or an empty string when the
    // user cancelled.
    static QString chooseFolder();
    // The same, for a game folder: other code appends relative paths to it
    // directly, so it ends with exactly one native separator.
    static QString chooseGameFolder();
};

#endif
