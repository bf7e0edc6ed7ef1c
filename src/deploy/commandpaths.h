#ifndef VELDANE_DEPLOY_COMMANDPATHS_H
#define VELDANE_DEPLOY_COMMANDPATHS_H

#include "deploy/commandreport.h"

#include <QString>
#include <QStringList>

// The small questions about paths and the small file steps that every mod
// command shares.

void logLine(const char *tag, const QString &path);

bool isPlainFile(const QString &path);
bool existsOrIsLink(const QString &path);
QString parentOf(const QString &path);

// Renames only where that is one step on one volume and nothing is in the
// way; false leaves both names as they were. On another volume the backup is
// then copied and listed for the flush, where a rename would have let the
// system copy it unflushed and delete the original.
bool renameNew(const QString &from, const QString &to);

// The folders that making `folder` would create, the deepest first.
QStringList missingFolders(const QString &folder);

// A folder name beside the kept copies that nothing uses.
QString newUnpackFolder(const QString &store);

// Refuses before a command's first change when another program (a running
// game) holds one of `files` open so that it could be neither replaced,
// renamed nor deleted: met half way, the command would stop half applied.
// True with `report` saying so, naming the first such file.
bool refusedForHeldFile(const QStringList &files, CommandReport &report);

// Removes a backup folder, kept copy or unpack folder of Veldane's own.
void removeOwnFolder(const QString &folder);

#endif
