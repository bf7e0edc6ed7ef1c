#include "catalogue/conflictcounts.h"

#include "catalogue/modcfg.h"
#include "platform/pathcase.h"

#include <QHash>

namespace {

template<typename Visit> void forEachItem(const ModRecord &record, Visit visit)
{
    for (const QList<FileItem> *list : {&record.replace, &record.add}) {
        for (const FileItem &item : *list) {
            visit(item);
        }
    }
}

void note(QStringList &names, bool &more, const QString &id, int limit)
{
    if (names.size() < limit) {
        names << id;
    } else {
        more = true;
    }
}

} // namespace

ConflictCounts ConflictCounts::of(const ModCfg &catalogue, const QString &id)
{
    ConflictCounts counts;
    const auto record = catalogue.m_mods.constFind(id);
    if (record == catalogue.m_mods.cend() || record->install == 0) {
        return counts;
    }
    // The order numbers are the layers 1..k of the installed mods holding a
    // path: a layer under the top is overwritten, a layer over the first lies
    // on another mod's file.
    forEachItem(*record, [&](const FileItem &item) {
        const int layers = catalogue.installedItemCount(item.path);
        if (layers < 2) {
            return;
        }
        if (item.order < layers) {
            ++counts.overwrittenBy;
        }
        if (item.order > 1) {
            ++counts.overwrites;
        }
    });
    return counts;
}

ConflictCounts::Involved ConflictCounts::involved(const ModCfg &catalogue, const QString &id,
                                                  int limit)
{
    Involved involved;
    const auto record = catalogue.m_mods.constFind(id);
    if (record == catalogue.m_mods.cend() || record->install == 0) {
        return involved;
    }
    QHash<QString, int> ownLayers; // path key -> this mod's layer, shared paths only
    forEachItem(*record, [&](const FileItem &item) {
        if (catalogue.installedItemCount(item.path) > 1) {
            ownLayers.insert(PathCase::key(item.path), item.order);
        }
    });
    if (ownLayers.isEmpty()) {
        return involved;
    }
    for (auto mod = catalogue.m_mods.cbegin(); mod != catalogue.m_mods.cend(); ++mod) {
        if (mod->install == 0 || mod.key() == id) {
            continue;
        }
        bool above = false;
        bool below = false;
        forEachItem(*mod, [&](const FileItem &item) {
            const auto own = ownLayers.constFind(PathCase::key(item.path));
            if (own != ownLayers.cend()) {
                above = above || item.order > *own;
                below = below || item.order < *own;
            }
        });
        if (above) {
            note(involved.above, involved.moreAbove, mod.key(), limit);
        }
        if (below) {
            note(involved.below, involved.moreBelow, mod.key(), limit);
        }
        if (involved.moreAbove && involved.moreBelow) {
            break;
        }
    }
    return involved;
}
