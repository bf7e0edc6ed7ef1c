#include "catalogue/cataloguesnapshot.h"

#include "catalogue/canonicalreader.h"
#include "catalogue/cataloguedocument.h"
#include "catalogue/cataloguefile.h"
#include "catalogue/installedindex.h"

bool CatalogueSnapshot::read(const QString &path)
{
    QByteArray bytes;
    if (!CatalogueFile::read(path, bytes, stamp)) {
        return false;
    }
    canonical = CanonicalReader::read(bytes, mods, order, rootTag);
    if (!canonical) {
        mods.clear();
        order.clear();
        if (!CatalogueDocument::readMods(bytes, mods, rootTag)) {
            return false;
        }
    }
    index = InstalledIndex::countSharing(mods);
    return true;
}
