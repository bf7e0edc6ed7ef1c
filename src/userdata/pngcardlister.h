#ifndef VELDANE_USERDATA_PNGCARDLISTER_H
#define VELDANE_USERDATA_PNGCARDLISTER_H

#include <QList>
#include <QString>

// One PNG file of a user-data category folder.
struct PngCard
{
    QString fileName;     // name with extension, as listed
    QString absolutePath; // where the preview reads it from
};

// Lists the PNG cards that a user-data category folder holds directly: regular
// files only (no links, no hidden files, no subfolders), in name order ignoring
// case, keeping only names whose text after the last dot is exactly "png".
class PngCardLister
{
public:
    // An empty folder path lists nothing: QDir would read it as the working
    // directory and show the program's own files as cards.
    static QList<PngCard> list(const QString &folder);
};

#endif
