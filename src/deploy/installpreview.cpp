#include "deploy/installpreview.h"

#include "catalogue/modcfg.h"
#include "deploy/gamelayout.h"
#include "deploy/layerstack.h"
#include "deploy/modcommands.h"
#include "deploy/modfolderplanner.h"
#include "platform/pathcase.h"

#include <QHash>

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
    const QString ownFolder = GameLayout::gameFolderName(folder);
    if (!ownFolder.isEmpty()) {
        const QString gameSpelling = PathCase::existingName(targetRoot, ownFolder);
        targetRoot = GameLayout::join(targetRoot, gameSpelling);
        backupRoot = GameLayout::join(backupRoot, gameSpelling);
    }
    const DeploymentPlan plan = ModFolderPlanner::plan(folder, targetRoot, backupRoot);
    // An older catalogue may spell a file of a case-blind game otherwise.
    QHash<QString, QStringList> stacks;
    const QMap<QString, QStringList> recorded = LayerStack::stacks(catalogue.m_mods);
    for (auto it = recorded.cbegin(); it != recorded.cend(); ++it) {
        stacks.insert(PathCase::key(it.key()), it.value());
    }
    for (const PlannedFile &file : plan.files) {
        if (!file.replaced) {
            preview.added << file.target;
            continue;
        }
        const QStringList holders = stacks.value(PathCase::key(file.target));
        preview.replaced << Replacement{file.target,
                                        holders.isEmpty() ? QString() : holders.last()};
    }
    preview.skippedLinks = plan.skippedLinks;
    preview.unrecordableNames = plan.unrecordableNames + plan.windowsNames;
    return preview;
}
