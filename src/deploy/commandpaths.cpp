#include "deploy/commandpaths.h"

#include "config/foldername.h"
#include "deploy/gamelayout.h"
#include "log/ceasylog.h"
#include "platform/foldertree.h"
#include "platform/nativefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

void logLine(const char *tag, const QString &path)
{
    CEasyLog::instance()->write(QLatin1String(tag) + path);
}

bool isPlainFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
}

bool existsOrIsLink(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool renameNew(const QString &from, const QString &to)
{
    return NativeFile::renameNew(from, to);
}

QStringList missingFolders(const QString &folder)
{
    QStringList missing;
    for (QFileInfo info(folder); !info.exists() && !info.isSymLink() && !info.isRoot();
         info.setFile(info.absolutePath())) {
        missing << info.absoluteFilePath();
    }
    return missing;
}

QString newUnpackFolder(const QString &store)
{
    for (;;) {
        const QString folder =
            GameLayout::join(store, unpackFolderPrefix() +
                                        QString::number(QRandomGenerator::global()->generate(), 16)
                                            .rightJustified(8, QLatin1Char('0')));
        if (!existsOrIsLink(folder)) {
            return folder;
        }
    }
}

QString parentOf(const QString &path)
{
    const QString plain = QDir::fromNativeSeparators(path);
    return plain.left(plain.lastIndexOf(QLatin1Char('/')));
}

bool refusedForHeldFile(const QStringList &files, CommandReport &report)
{
    for (const QString &file : files) {
        if (NativeFile::heldOpen(file)) {
            report = CommandReport();
            report.outcome = CommandReport::GameFileHeld;
            report.path = file;
            return true;
        }
    }
    return false;
}

void removeOwnFolder(const QString &folder)
{
    // A link or junction put in place of the folder goes as a link: following
    // it would empty a folder that is not ours.
    FolderTree::remove(folder);
}
