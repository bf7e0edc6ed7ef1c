#ifndef VELDANE_GUI_VERIFYDIALOG_H
#define VELDANE_GUI_VERIFYDIALOG_H

#include "deploy/modfilecheck.h"

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QTreeWidget;

// Shows the result of checking installed mods' game files: per mod the files
// that changed or are missing since the install, and how many are unchanged.
class VerifyDialog : public QDialog
{
    Q_OBJECT

public:
    // Paths below `gameRoot` are shown relative to it.
    VerifyDialog(const QList<ModFileCheck> &checks, const QString &gameRoot,
                 QWidget *parent = nullptr);

private:
    QString shown(const QString &path) const;

    QString m_gameRoot;
    QLabel *m_summary;
    QTreeWidget *m_tree;
};

#endif
