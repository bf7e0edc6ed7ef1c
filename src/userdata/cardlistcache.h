#ifndef VELDANE_USERDATA_CARDLISTCACHE_H
#define VELDANE_USERDATA_CARDLISTCACHE_H

#include "userdata/cardscanner.h"

#include <QString>

// The last listing of a category, kept beside the thumbnails, so that the
// library can show a large collection at once while it lists the folders
// again in the background. Only a first sight: the fresh listing replaces it.
class CardListCache
{
public:
    // The file that keeps the listing of `folder` (with or without subfolders).
    static QString fileFor(const QString &cacheFolder, const QString &folder, bool subfolders);

    static bool write(const QString &file, const CardScan &scan);
    // False for a missing, damaged or foreign file; `scan` is then untouched.
    static bool read(const QString &file, CardScan *scan);
};

#endif
