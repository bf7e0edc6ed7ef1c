#ifndef VELDANE_DEPLOY_FILEACTIONRUNNER_H
#define VELDANE_DEPLOY_FILEACTIONRUNNER_H

#include "deploy/commandcontext.h"
#include "deploy/commandreport.h"
#include "deploy/fileaction.h"
#include "deploy/foldercheck.h"

#include <QList>
#include <QString>

#include <map>

// Carries out the file actions of an uninstall or removal, one member per
// kind of action, counting into the command's report. Every action may be
// carried out a second time by a replay after a crash and finds its own state.
class FileActionRunner
{
public:
    // `replaying`: the actions are carried out again from the journal.
    FileActionRunner(const CommandContext &context, const QString &id, CommandReport &report,
                     bool replaying);

    void run(const QList<FileAction> &actions);

private:
    void carryOut(const FileAction &action);
    void restore(const FileAction &action);
    void deleteFile(const FileAction &action);
    void handDown(const FileAction &action);
    void dropBackup(const FileAction &action);

    bool alreadyMoved(const FileAction &action) const;
    bool ownBackupMayMove(const FileAction &action);
    bool upperHolds(const FileAction &action);
    bool setAside(const QString &from, const FileAction &action);
    bool moveOverChanged(const FileAction &action, const QString &target);
    void leaveAlone(const char *tag, const QString &path);
    void fail(const char *tag, const QString &path);

    const CommandContext &m_context;
    CommandReport &m_report;
    const bool m_replaying;
    FolderCheck m_game;
    FolderCheck m_ownBackups;
    std::map<QString, FolderCheck> m_upperBackups;
};

#endif
