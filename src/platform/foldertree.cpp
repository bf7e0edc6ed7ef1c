#include "platform/foldertree.h"

#include <QDir>
#include <QFileInfo>

bool FolderTree::remove(const QString &dir)
{
    if (dir.isEmpty()) {
        return false;
    }
    QDir folder(dir);
    if (!folder.exists()) {
        return true;
    }
    const QFileInfoList entries = folder.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        // A link is removed as a link: following it would empty a folder that
        // lies outside the tree being removed.
        if (entry.isFile() || entry.isSymLink()) {
            folder.remove(entry.fileName());
        } else {
            remove(entry.absoluteFilePath());
        }
    }
    return folder.rmdir(folder.absolutePath());
}
