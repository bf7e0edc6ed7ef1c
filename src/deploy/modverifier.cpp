#include "deploy/modverifier.h"

#include "catalogue/modcfg.h"
#include "deploy/commandpaths.h"
#include "deploy/layerstack.h"
#include "state/filecheck.h"
#include "state/gamemanifest.h"

#include <QHash>

QList<ModFileCheck> ModVerifier::verify(const QString &id) const
{
    const QMap<QString, ModRecord> &mods = m_context.catalogue.m_mods;
    QHash<QString, QStringList> topFiles;
    const QMap<QString, QStringList> stacks = LayerStack::stacks(mods);
    for (auto it = stacks.cbegin(); it != stacks.cend(); ++it) {
        if (id.isEmpty() || it->constLast() == id) {
            topFiles[it->constLast()] << it.key();
        }
    }
    QList<ModFileCheck> checks;
    for (auto mod = mods.cbegin(); mod != mods.cend(); ++mod) {
        if (mod->install == 0 || (!id.isEmpty() && mod.key() != id)) {
            continue;
        }
        ModFileCheck check;
        check.mod = mod.key();
        const QHash<QString, ManifestEntry> recorded = m_context.manifest()->entries(mod.key());
        for (const QString &path : topFiles.value(mod.key())) {
            const auto entry = recorded.constFind(path);
            FileCheck::State state = FileCheck::Unchanged;
            if (entry != recorded.cend()) {
                state = m_context.manifest()->check(mod.key(), path, path, *entry);
            } else if (!existsOrIsLink(path)) {
                state = FileCheck::Missing;
            } else {
                ++check.unrecorded;
            }
            switch (state) {
            case FileCheck::Unchanged:
                ++check.unchanged;
                break;
            case FileCheck::Changed:
                check.changed << path;
                break;
            case FileCheck::Missing:
                check.missing << path;
                break;
            }
        }
        checks << check;
    }
    return checks;
}
