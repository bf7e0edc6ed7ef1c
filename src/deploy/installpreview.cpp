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
    const GameLayout::InstallRoots roots = layout.installRoots(folder, id);
    const DeploymentPlan plan = ModFolderPlanner::plan(folder, roots.target, roots.backup);
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
