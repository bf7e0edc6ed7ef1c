#include "deploy/modfolderplanner.h"

#include "config/foldername.h"
#include "deploy/gamelayout.h"
#include "platform/nativefile.h"
#include "platform/pathcase.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

DeploymentPlan ModFolderPlanner::plan(const QString &sourceDir, const QString &targetDir,
                                      const QString &backupDir, const QString &keptDir)
{
    DeploymentPlan plan;
    const QFileInfo source(sourceDir);
    plan.sourceExists = source.isDir() && !NativeFile::isLinkOrJunction(source);
    if (plan.sourceExists) {
        Place top;
        top.source = sourceDir;
        top.target = targetDir;
        top.backup = backupDir;
        top.kept = keptDir;
        walk(top, plan);
    }
    return plan;
}

void ModFolderPlanner::walk(const Place &place, DeploymentPlan &plan)
{
    // Hidden and system entries are left out of the listing, so they are
    // neither deployed nor counted nor kept.
    const QFileInfoList entries =
        QDir(place.source)
            .entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsFirst);
    // Where the game ignores case, a name lands on the game's entry of another
    // spelling. Writing and recording it in that spelling makes every mod that
    // writes one file record one text, so that they share one layer stack.
    // Names this mod brings itself join the list, so that two of its own
    // spellings of one file also become one.
    QHash<QString, QString> gameNames = PathCase::spellings(place.target);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        const QString path = GameLayout::join(place.source, name);
        if (leftOut(entry, path, plan)) {
            continue;
        }
        QString gameName = name;
        if (PathCase::ignoresCase()) {
            const QString key = PathCase::key(name);
            const auto known = gameNames.constFind(key);
            if (known != gameNames.cend()) {
                gameName = known.value();
            } else {
                gameNames.insert(key, name);
            }
        }
        const Place child = place.child(path, name, gameName);
        if (entry.isDir()) {
            // The whole name is mirrored: cutting "v1.2" at its dot would send
            // the folder's content into another game folder.
            plan.folders << child.relative;
            plan.keptFolders << child.keptRelative;
            walk(child, plan);
        } else if (entry.isFile()) {
            PlannedFile file;
            file.source = path;
            file.target = child.target;
            file.backup = child.backup;
            file.keptCopy = child.kept;
            const QFileInfo game(child.target);
            file.replaced = game.exists() || game.isSymLink();
            plan.files << file;
        }
    }
}

bool ModFolderPlanner::leftOut(const QFileInfo &entry, const QString &path, DeploymentPlan &plan)
{
    const QString name = entry.fileName();
    // A link could lead anywhere, also out of the mod folder and into
    // folders that are not the user's mod: it is never followed. A junction
    // is such a link on Windows, though Qt 5 does not call it one.
    if (NativeFile::isLinkOrJunction(entry)) {
        plan.skippedLinks << path;
        return true;
    }
    // A name the catalogue cannot hold could never be uninstalled.
    if (!isRecordableName(name)) {
        plan.unrecordableNames << path;
        return true;
    }
    // The game reads its folder through Windows, which would open a
    // device or drop the trailing dot: the file would land elsewhere.
    if (!isWindowsFileName(name)) {
        plan.windowsNames << path;
        return true;
    }
    return false;
}

ModFolderPlanner::Place ModFolderPlanner::Place::child(const QString &path, const QString &name,
                                                       const QString &gameName) const
{
    Place child;
    child.source = path;
    child.target = GameLayout::join(target, gameName);
    child.backup = GameLayout::join(backup, gameName);
    child.kept = kept.isEmpty() ? QString() : GameLayout::join(kept, name);
    child.relative = relative.isEmpty() ? gameName : GameLayout::join(relative, gameName);
    child.keptRelative = keptRelative.isEmpty() ? name : GameLayout::join(keptRelative, name);
    return child;
}

bool ModFolderPlanner::isRecordableName(const QString &name)
{
    for (int i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.unicode() < 0x20 || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF) {
            return false;
        }
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate()) {
            return false;
        }
    }
    return true;
}
