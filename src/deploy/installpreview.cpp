#include "deploy/installpreview.h"

#include "catalogue/modcfg.h"
#include "deploy/gamelayout.h"
#include "deploy/layerstack.h"
#include "deploy/modcommands.h"
#include "deploy/modfolderplanner.h"

InstallPreview InstallPreview::plan(ModCfg &catalogue, const GameLayout &layout,
                                    const QString &folder, const QString &id)
{
    InstallPreview preview;
    preview.refusal = ModCommands(catalogue, layout).installRefusal(folder, id);
    if (preview.refusal != CommandReport::Done) {
        return preview;
    }
    // The same roots as the install: a chosen game folder such as "abdata"
    // lands in the game's folder of that name.
    QString targetRoot = layout.gameRoot();
    QString backupRoot = layout.backupFolder(id);
    const QString ownFolder = ModCommands::gameFolderName(folder);
    if (!ownFolder.isEmpty()) {
        targetRoot = GameLayout::join(targetRoot, ownFolder);
        backupRoot = GameLayout::join(backupRoot, ownFolder);
    }
    const DeploymentPlan plan = ModFolderPlanner::plan(folder, targetRoot, backupRoot);
    const QMap<QString, QStringList> stacks = LayerStack::stacks(catalogue.m_mods);
    for (const PlannedFile &file : plan.files) {
        if (!file.replaced) {
            preview.added << file.target;
            continue;
        }
        const QStringList holders = stacks.value(file.target);
        preview.replaced << Replacement{file.target,
                                        holders.isEmpty() ? QString() : holders.last()};
    }
    preview.skippedLinks = plan.skippedLinks;
    preview.unrecordableNames = plan.unrecordableNames;
    return preview;
}
