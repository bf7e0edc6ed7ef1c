#ifndef VELDANE_DEPLOY_STACKCHANGE_H
#define VELDANE_DEPLOY_STACKCHANGE_H

#include "catalogue/modrecord.h"
#include "deploy/fileaction.h"

#include <QList>
#include <QMap>
#include <QString>

// What uninstalling one mod changes: the records to write to the catalogue
// (the mod itself marked uninstalled, the layers above it renumbered or turned
// into adds) and the file actions to carry out afterwards, one per game file
// of the mod.
struct StackChange
{
    QMap<QString, ModRecord> changed;
    QList<FileAction> actions;
};

#endif
