#ifndef VELDANE_GUI_ORDERDLG_H
#define VELDANE_GUI_ORDERDLG_H

#include "catalogue/modrecord.h"

#include <QDialog>
#include <QList>
#include <QMap>
#include <QString>

class MainWindow;
class Ui_OrderDlg;

// Read-only view of which installed mods wrote one game file, highest layer
// first, the selected mod drawn in blue. It shows the catalogue as it was when
// the dialog opened.
class OrderDlg : public QDialog
{
    Q_OBJECT

public:
    // One row of the dialog: a layer number and the mod that holds it.
    struct Layer
    {
        int order = 0;
        QString modId;

        bool operator==(const Layer &other) const
        {
            return order == other.order && modId == other.modId;
        }
    };

    OrderDlg(MainWindow *parent, const QString &modId, const QString &filePath);
    ~OrderDlg() override;

    // The rows for `filePath` (compared by PathCase::key): one per layer number
    // held by an installed mod, highest first. When two installed mods hold
    // the same number, the one whose id sorts last is shown.
    static QList<Layer> layersOf(const QMap<QString, ModRecord> &mods, const QString &filePath);

private:
    Ui_OrderDlg *ui;
};

#endif
