#ifndef VELDANE_DEPLOY_LAYERSTACK_H
#define VELDANE_DEPLOY_LAYERSTACK_H

#include "catalogue/modrecord.h"
#include "deploy/gamelayout.h"
#include "deploy/stackchange.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// The installed mods that hold the same game file form a stack: the top
// layer's version is in the game folder, and every layer's backup holds the
// version of the layer below it (for layer 1 the game's own file, or none when
// it added the file). The order numbers of the catalogue are that stack,
// numbered 1..k. Everything here is computation on catalogue records; nothing
// touches the disk. Paths are one file when PathCase::key makes them equal.
class LayerStack
{
public:
    // Takes mod `id` out of every stack it is part of. A top layer gets its
    // file restored or deleted; a lower layer leaves the game file alone and
    // hands what lay beneath it to the layer directly above; every layer above
    // moves down by one. Empty when the mod is not installed.
    static StackChange uninstall(const QMap<QString, ModRecord> &mods, const QString &id,
                                 const GameLayout &layout);

    // The record of mod `id` after a reinstall that put `files` on top of
    // their stacks: each file gets order k + 1 among the installed mods, and
    // its replace or add split says what the reinstall found in the game.
    static ModRecord reinstalled(const QMap<QString, ModRecord> &mods, const QString &id,
                                 const QList<QPair<QString, bool>> &files);

    // Installed mods holding each game file, bottom layer first, ordered by
    // their order numbers (ties by id); keyed by the bottom layer's spelling.
    static QMap<QString, QStringList> stacks(const QMap<QString, ModRecord> &mods);

    // True when the order numbers of every game file's installed items are
    // exactly 1..k.
    static bool isNumbered(const QMap<QString, ModRecord> &mods);
};

#endif
