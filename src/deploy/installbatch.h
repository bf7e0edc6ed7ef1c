#ifndef VELDANE_DEPLOY_INSTALLBATCH_H
#define VELDANE_DEPLOY_INSTALLBATCH_H

#include "deploy/archiveextractor.h"
#include "deploy/commandreport.h"

#include <QList>
#include <QString>
#include <QStringList>

class ModCommands;

// Several mod folders or archives installed in one go: each gets a name
// (first its folder's or archive's name), and every refusal is found before
// anything is copied, so that the user can correct the names or leave a mod
// out first. Refusals are codes; CommandMessages::batchRefusal words them.
class InstallBatch
{
public:
    enum class Refusal
    {
        None,
        NotAModSource, // neither a folder nor a zip, 7z or rar archive
        Archive,       // the archive's headers were refused: `archiveFailure` says why
        Install,       // install would refuse the row: `installRefusal` says why
        NameTwice,     // an earlier row has the same name: `sameNameAs` is its index
    };

    struct Row
    {
        QString source;
        QString name;
        // Why the source cannot be installed under any name (an archive's
        // headers are read once): NotAModSource or Archive; None for a folder
        // or an acceptable archive.
        Refusal sourceRefusal = Refusal::None;
        Outcome<ArchiveExtractor::Failure> archiveFailure = {};
        // Why the row would be refused now; None when it would install.
        Refusal refusal = Refusal::None;
        CommandReport::Outcome installRefusal = CommandReport::Done;
        int sameNameAs = -1;

        bool sourceRefused() const { return sourceRefusal != Refusal::None; }
        bool refused() const { return refusal != Refusal::None; }
    };

    // Rows for the given folders and archives, names filled in and archives'
    // headers read.
    static QList<Row> rows(const QStringList &sources);

    // Checks the names again (after the user edited them): what install
    // would refuse, and names given twice in the batch. Reads the disk only.
    // `skipped` rows (left out by the user) are not checked and reserve no name.
    static void checkNames(const ModCommands &commands, QList<Row> &rows,
                           const QList<bool> &skipped = QList<bool>());

    static bool allAccepted(const QList<Row> &rows);
};

#endif
