#include "deploy/layerstack.h"

#include "platform/pathcase.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

struct Layer
{
    QString mod;
    bool replaced = false;
    int order = 0;
    QString path; // as this mod recorded it; its backup mirrors this spelling
};

bool lowerFirst(const Layer &a, const Layer &b)
{
    return a.order != b.order ? a.order < b.order : a.mod < b.mod;
}

// Calls visit(mod, item, replaced) for the first item of every installed mod
// and path; a hand-edited catalogue may list a path twice in one mod. Paths
// are compared as the game's file system compares them.
template<typename Visit>
void forEachInstalledItem(const QMap<QString, ModRecord> &mods, Visit visit)
{
    for (auto it = mods.cbegin(); it != mods.cend(); ++it) {
        if (it->install == 0) {
            continue;
        }
        QSet<QString> seen;
        for (const FileItem &item : it->replace) {
            const QString key = PathCase::key(item.path);
            if (!seen.contains(key)) {
                seen.insert(key);
                visit(it.key(), item, true);
            }
        }
        for (const FileItem &item : it->add) {
            const QString key = PathCase::key(item.path);
            if (!seen.contains(key)) {
                seen.insert(key);
                visit(it.key(), item, false);
            }
        }
    }
}

// Rebuilds a record's lists with new kinds and order numbers for some paths
// (by PathCase::key); an item that changes kind moves to the end of the other
// list and keeps its text.
ModRecord withLayers(ModRecord record, const QHash<QString, Layer> &updates)
{
    QList<FileItem> replace;
    QList<FileItem> add;
    QSet<QString> done;
    const auto place = [&](const FileItem &item, bool replaced) {
        const QString key = PathCase::key(item.path);
        const auto update = updates.constFind(key);
        if (update == updates.cend() || done.contains(key)) {
            (replaced ? replace : add) << item;
            return;
        }
        done.insert(key);
        (update->replaced ? replace : add) << FileItem{update->order, item.path};
    };
    for (const FileItem &item : record.replace) {
        place(item, true);
    }
    for (const FileItem &item : record.add) {
        place(item, false);
    }
    record.replace = replace;
    record.add = add;
    return record;
}

// The mod's game files in the order the install recorded them: restores
// first, then deletions. Keyed by PathCase::key: older catalogues may spell
// one file of a case-blind game differently in different mods.
QStringList recordedKeys(const ModRecord &own, QHash<QString, bool> &ownReplaced)
{
    QStringList keys;
    for (const QList<FileItem> *list : {&own.replace, &own.add}) {
        for (const FileItem &item : *list) {
            const QString key = PathCase::key(item.path);
            if (!ownReplaced.contains(key)) {
                ownReplaced.insert(key, list == &own.replace);
                keys << key;
            }
        }
    }
    return keys;
}

// Takes the mod's layer out of one sorted stack and says what becomes of its
// file: restored, deleted, or handed to the layer above.
FileAction takeOutOfStack(QList<Layer> &stack, const QString &id, bool replaced,
                          const GameLayout &layout)
{
    int position = 0;
    while (stack.at(position).mod != id) {
        ++position;
    }

    FileAction action;
    action.path = stack.at(position).path;
    if (replaced) {
        action.backup = layout.backupPath(id, action.path);
    }
    if (position == stack.size() - 1) {
        action.kind = replaced ? FileAction::Restore : FileAction::Delete;
    } else {
        Layer &upper = stack[position + 1];
        action.upperMod = upper.mod;
        action.upperBackup = layout.backupPath(upper.mod, upper.path);
        if (replaced) {
            action.kind = FileAction::HandDown;
        } else {
            action.kind = upper.replaced ? FileAction::DropBackup : FileAction::KeepAsIs;
        }
        // The layer above now lies directly on what lay beneath the
        // uninstalled mod, so it replaces exactly when that mod did.
        if (upper.replaced != replaced) {
            upper.replaced = replaced;
            upper.order = -1; // forces an update below
        }
    }
    stack.removeAt(position);
    return action;
}

} // namespace

StackChange LayerStack::uninstall(const QMap<QString, ModRecord> &mods, const QString &id,
                                  const GameLayout &layout)
{
    StackChange change;
    const auto own = mods.constFind(id);
    if (own == mods.cend() || own->install == 0) {
        return change;
    }

    QHash<QString, bool> ownReplaced;
    const QStringList keys = recordedKeys(*own, ownReplaced);
    QHash<QString, QList<Layer>> stacksOfPaths;
    forEachInstalledItem(mods, [&](const QString &mod, const FileItem &item, bool replaced) {
        const QString key = PathCase::key(item.path);
        if (ownReplaced.contains(key)) {
            stacksOfPaths[key].append(Layer{mod, replaced, item.order, item.path});
        }
    });

    QHash<QString, QHash<QString, Layer>> updates; // mod -> key -> new layer
    for (const QString &key : keys) {
        QList<Layer> &stack = stacksOfPaths[key];
        std::stable_sort(stack.begin(), stack.end(), lowerFirst);
        change.actions << takeOutOfStack(stack, id, ownReplaced.value(key), layout);
        for (int i = 0; i < stack.size(); ++i) {
            if (stack.at(i).order != i + 1) {
                updates[stack.at(i).mod].insert(
                    key, Layer{stack.at(i).mod, stack.at(i).replaced, i + 1, stack.at(i).path});
            }
        }
    }

    for (auto it = updates.cbegin(); it != updates.cend(); ++it) {
        change.changed.insert(it.key(), withLayers(mods.value(it.key()), it.value()));
    }
    ModRecord uninstalled = *own;
    uninstalled.install = 0;
    change.changed.insert(id, uninstalled);
    return change;
}

ModRecord LayerStack::reinstalled(const QMap<QString, ModRecord> &mods, const QString &id,
                                  const QList<QPair<QString, bool>> &files)
{
    QHash<QString, int> held;
    for (const auto &file : files) {
        held.insert(PathCase::key(file.first), 0);
    }
    for (auto it = mods.cbegin(); it != mods.cend(); ++it) {
        if (it->install == 0 || it.key() == id) {
            continue;
        }
        QSet<QString> seen;
        for (const QList<FileItem> *list : {&it->replace, &it->add}) {
            for (const FileItem &item : *list) {
                const QString key = PathCase::key(item.path);
                const auto count = held.find(key);
                if (count != held.end() && !seen.contains(key)) {
                    seen.insert(key);
                    ++*count;
                }
            }
        }
    }

    ModRecord record = mods.value(id);
    record.install = 1;
    record.replace.clear();
    record.add.clear();
    for (const auto &file : files) {
        (file.second ? record.replace : record.add)
            << FileItem{held.value(PathCase::key(file.first)) + 1, file.first};
    }
    return record;
}

QMap<QString, QStringList> LayerStack::stacks(const QMap<QString, ModRecord> &mods)
{
    QHash<QString, QList<Layer>> byPath;
    forEachInstalledItem(mods, [&](const QString &mod, const FileItem &item, bool replaced) {
        byPath[PathCase::key(item.path)].append(Layer{mod, replaced, item.order, item.path});
    });
    QMap<QString, QStringList> result;
    for (auto it = byPath.begin(); it != byPath.end(); ++it) {
        std::stable_sort(it->begin(), it->end(), lowerFirst);
        QStringList ids;
        for (const Layer &layer : *it) {
            ids << layer.mod;
        }
        result.insert(it->first().path, ids);
    }
    return result;
}

bool LayerStack::isNumbered(const QMap<QString, ModRecord> &mods)
{
    QHash<QString, QList<int>> orders;
    for (auto it = mods.cbegin(); it != mods.cend(); ++it) {
        if (it->install == 0) {
            continue;
        }
        for (const QList<FileItem> *list : {&it->replace, &it->add}) {
            for (const FileItem &item : *list) {
                orders[PathCase::key(item.path)] << item.order;
            }
        }
    }
    for (QList<int> &list : orders) {
        std::sort(list.begin(), list.end());
        for (int i = 0; i < list.size(); ++i) {
            if (list.at(i) != i + 1) {
                return false;
            }
        }
    }
    return true;
}
