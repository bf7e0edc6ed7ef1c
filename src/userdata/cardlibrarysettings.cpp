#include "userdata/cardlibrarysettings.h"

#include "config/gameinfo.h"
#include "config/workspace.h"

#include <QSettings>

namespace {

QVariant value(const char *key, const QVariant &fallback)
{
    const QSettings settings(GameInfo::settingsFile(), QSettings::IniFormat);
    return settings.value(QLatin1String(key), fallback);
}

void store(const char *key, const QVariant &data)
{
    QSettings settings(GameInfo::settingsFile(), QSettings::IniFormat);
    settings.setValue(QLatin1String(key), data);
}

} // namespace

bool CardLibrarySettings::thumbnails()
{
    return value("/Global/CardThumbnails", false).toBool();
}

void CardLibrarySettings::setThumbnails(bool on)
{
    store("/Global/CardThumbnails", on);
}

bool CardLibrarySettings::subfolders()
{
    return value("/Global/CardSubfolders", false).toBool();
}

void CardLibrarySettings::setSubfolders(bool on)
{
    store("/Global/CardSubfolders", on);
}

int CardLibrarySettings::thumbnailSize()
{
    // A value edited by hand is kept within what the slider offers.
    return qBound(64, value("/Global/CardThumbnailSize", 128).toInt(), 256);
}

void CardLibrarySettings::setThumbnailSize(int pixels)
{
    store("/Global/CardThumbnailSize", pixels);
}

QString CardLibrarySettings::cacheFolder()
{
    return Workspace().folder() + QStringLiteral("/cache/cards");
}
