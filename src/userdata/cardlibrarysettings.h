#ifndef VELDANE_USERDATA_CARDLIBRARYSETTINGS_H
#define VELDANE_USERDATA_CARDLIBRARYSETTINGS_H

#include <QString>

// The card library's choices, kept in the settings file's [Global] group (every
// other group is a game), and where its thumbnails are cached.
class CardLibrarySettings
{
public:
    static bool thumbnails();
    static void setThumbnails(bool on);
    static bool subfolders();
    static void setSubfolders(bool on);
    // Height of a thumbnail in pixels.
    static int thumbnailSize();
    static void setThumbnailSize(int pixels);

    // Veldane's own folder for the thumbnail cache, in the working directory:
    // nothing is ever written into the game's folders.
    static QString cacheFolder();
};

#endif
