#ifndef VELDANE_DEPLOY_INSTALLBATCH_H
#define VELDANE_DEPLOY_INSTALLBATCH_H

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

class ModCommands;

// Several mod folders or archives installed in one go: each gets a name
// (first its folder's or archive's name), and every refusal is found before
// anything is copied, so that the user can correct the names or leave a mod
// out first.
class InstallBatch
{
    Q_DECLARE_TR_FUNCTIONS(InstallBatch)

public:
    struct Row
    {
        QString source;
        QString name;
        // Why the archive cannot be installed under any name (read from its
        // headers once); empty for a folder or an acceptable archive.
        QString sourceRefusal;
        // Why the row would be refused now; empty when it would install.
        QString refusal;
    };

    // Rows for the given folders and archives, names filled in and archives'
    // headers read.
    static QList<Row> rows(const QStringList &sources);

    // Checks the names again (after the user edited them): what install
    // would refuse, and names given twice in the batch. Reads the disk only.
    // `skipped` rows (left out by the user) are not checked and reserve no name.
    static void checkNames(const ModCommands &commands, const QString &catalogueFile,
                           QList<Row> &rows, const QList<bool> &skipped = QList<bool>());

    static bool allAccepted(const QList<Row> &rows);
};

#endif
