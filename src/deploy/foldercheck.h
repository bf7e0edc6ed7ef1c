#ifndef VELDANE_DEPLOY_FOLDERCHECK_H
#define VELDANE_DEPLOY_FOLDERCHECK_H

#include "deploy/pathguard.h"

#include <QHash>
#include <QString>

// Answers PathGuard's question for many files at once. The last name of a
// path is judged by its own place and not followed, so every ordinary file of
// one folder gets the same answer: the folder is resolved once.
class FolderCheck
{
public:
    explicit FolderCheck(const QString &root) : m_guard(root) {}

    bool contains(const QString &path);

private:
    PathGuard m_guard;
    QHash<QString, bool> m_folders;
};

#endif
