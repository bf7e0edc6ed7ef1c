#ifndef VELDANE_DEPLOY_INSTALLPREVIEW_H
#define VELDANE_DEPLOY_INSTALLPREVIEW_H

#include "deploy/commandreport.h"

#include <QList>
#include <QString>
#include <QStringList>

class GameLayout;
class ModCfg;

// What ModCommands::install(folder, id) would do, worked out without writing
// anything: the engine's refusal, or the game files the mod would add, those
// it would replace together with the installed mod whose version is in the
// game now, and what it would leave out.
class InstallPreview
{
public:
    struct Replacement
    {
        QString path;
        QString providedBy; // the installed mod on top now; empty for the game's own file
    };

    static InstallPreview plan(ModCfg &catalogue, const GameLayout &layout, const QString &folder,
                               const QString &id);

    CommandReport::Outcome refusal = CommandReport::Done;
    QStringList added;
    QList<Replacement> replaced;
    QStringList skippedLinks;      // links in the mod folder, never followed
    QStringList unrecordableNames; // entries the catalogue cannot record
};

#endif
