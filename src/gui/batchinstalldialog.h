#ifndef VELDANE_GUI_BATCHINSTALLDIALOG_H
#define VELDANE_GUI_BATCHINSTALLDIALOG_H

#include "deploy/installbatch.h"

#include <QDialog>
#include <QList>

#include <functional>

class QPushButton;
class QTableWidget;
class QTableWidgetItem;

// One table for naming several mods installed at once, instead of one name
// dialog each: every row starts with its folder's or archive's name, and
// every refusal shows beside its row while the user edits, before anything
// is copied. Install is possible only when every row left in is accepted.
class BatchInstallDialog : public QDialog
{
    Q_OBJECT

public:
    // Checks the rows' names; the rows not included are passed as skipped.
    using Checker = std::function<void(QList<InstallBatch::Row> &rows, const QList<bool> &skipped)>;

    BatchInstallDialog(const QList<InstallBatch::Row> &rows, const Checker &checker,
                       QWidget *parent = nullptr);

    // The rows to install, in the table's order, once accepted.
    QList<InstallBatch::Row> chosenRows() const;
    // The rows left out, with why when they were refused.
    QList<InstallBatch::Row> leftOutRows() const;

private slots:
    void sltItemChanged(QTableWidgetItem *item);

private:
    QList<bool> skipped() const;
    void check();

    QList<InstallBatch::Row> m_rows;
    Checker m_checker;
    QTableWidget *m_table;
    QPushButton *m_install;
};

#endif
