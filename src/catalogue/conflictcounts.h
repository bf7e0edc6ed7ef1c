#ifndef VELDANE_CATALOGUE_CONFLICTCOUNTS_H
#define VELDANE_CATALOGUE_CONFLICTCOUNTS_H

#include <QString>
#include <QStringList>

class ModCfg;

// How an installed mod stands among the others that hold the same game files:
// how many of its files lie over another mod's version, and how many of its
// files a mod installed later lies over. Only installed mods take part, as
// only their files are in the game.
class ConflictCounts
{
public:
    int overwrites = 0;    // files of this mod that replaced another installed mod's version
    int overwrittenBy = 0; // files of this mod that a mod above it replaced

    bool isEmpty() const { return overwrites == 0 && overwrittenBy == 0; }

    // From the catalogue's path index, with one lookup per file of the mod, so
    // that a list of hundreds of mods stays quick to draw.
    static ConflictCounts of(const ModCfg &catalogue, const QString &id);

    // The mods behind the counts, by catalogue order, at most `limit` of each;
    // `more...` tells that there are others. Reads every installed mod's files:
    // meant for one mod at a time, when the user asks.
    struct Involved
    {
        QStringList above; // mods whose files lie over this mod's
        QStringList below; // mods whose files this mod lies over
        bool moreAbove = false;
        bool moreBelow = false;
    };
    static Involved involved(const ModCfg &catalogue, const QString &id, int limit = 10);
};

#endif
