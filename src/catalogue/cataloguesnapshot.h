#ifndef VELDANE_CATALOGUE_CATALOGUESNAPSHOT_H
#define VELDANE_CATALOGUE_CATALOGUESNAPSHOT_H

#include "catalogue/filestamp.h"
#include "catalogue/modrecord.h"

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

// One reading of the catalogue file: its records with their index, and how
// later changes are written (from memory while it is in the canonical text,
// through the document tree otherwise).
class CatalogueSnapshot
{
public:
    bool read(const QString &path);

    QMap<QString, ModRecord> mods;
    QHash<QString, int> index; // installed items by path, see InstalledIndex
    bool canonical = false;
    QStringList order; // ids in file order, while canonical
    QString rootTag;
    FileStamp stamp;
};

#endif
