#include "platform/foldertree.h"

#include "platform/nativefile.h"

#include <QDir>
#include <QFileInfo>

bool FolderTree::remove(const QString &dir)
{
    if (dir.isEmpty()) {
        return false;
    }
    const QFileInfo top(dir);
    // A link or junction put in place of the folder goes as a link: following
    // it would empty a folder that lies outside the tree being removed.
    if (NativeFile::isLinkOrJunction(top)) {
        return NativeFile::remove(dir);
    }
    QDir folder(dir);
    if (!folder.exists()) {
        return true;
    }
    // A read-only folder (unpacked from an archive, or marked by hand) keeps
    // its entries on Unix and itself on Windows.
    NativeFile::makeWritable(dir);
    // Hidden and system entries too (Thumbs.db, desktop.ini, dotfiles): one
    // left behind keeps the folder from going.
    const QFileInfoList entries =
        folder.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !NativeFile::isLinkOrJunction(entry)) {
            remove(entry.absoluteFilePath());
        } else {
            NativeFile::remove(entry.absoluteFilePath());
        }
    }
    return folder.rmdir(folder.absolutePath());
}
