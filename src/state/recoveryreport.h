#ifndef VELDANE_STATE_RECOVERYREPORT_H
#define VELDANE_STATE_RECOVERYREPORT_H

#include <QList>
#include <QString>

// What a start after a crash found and did with the unfinished commands of a
// game, for a front end to tell the user once.
struct RecoveryReport
{
    // Another process held the game; nothing was looked at.
    bool busy = false;
    struct Step
    {
        enum Kind
        {
            Installed,     // an install or reinstall finished as asked
            InstallUndone, // an install or reinstall whose source was incomplete, undone
            Uninstalled,
            Removed,
            Pending // could not be finished now (the catalogue could not be written)
        };
        Kind kind = Installed;
        QString mod;
    };

    // One step per unfinished command, in the order they ran. A pending one
    // stays in the journal for the next start.
    QList<Step> steps;
    // Files that did not move as planned; the log names them.
    int failed = 0;

    bool isEmpty() const { return steps.isEmpty(); }
};

#endif
