#include "gui/orderdlg.h"

#include "gui/mainwindow.h"
#include "platform/pathcase.h"
#include "ui_orderdlg.h"

#include <QBrush>
#include <QHeaderView>
#include <QTreeWidgetItem>

OrderDlg::OrderDlg(MainWindow *parent, const QString &modId, const QString &filePath)
    : QDialog(parent), ui(new Ui_OrderDlg)
{
    ui->setupUi(this);
    ui->treeWidget->setHeaderLabels({tr("顺序"), tr("MOD")});
    ui->treeWidget->header()->setSectionResizeMode(QHeaderView::Interactive);

    if (!parent) {
        return;
    }
    const QList<Layer> layers = layersOf(parent->modCfg().m_mods, filePath);
    QList<QTreeWidgetItem *> rows;
    rows.reserve(layers.size());
    for (const Layer &layer : layers) {
        auto *row = new QTreeWidgetItem(QStringList{QString::number(layer.order), layer.modId});
        if (layer.modId == modId) {
            row->setForeground(0, QBrush(Qt::blue));
            row->setForeground(1, QBrush(Qt::blue));
        }
        rows.append(row);
    }
    ui->treeWidget->addTopLevelItems(rows);
}

OrderDlg::~OrderDlg()
{
    delete ui;
}

QList<OrderDlg::Layer> OrderDlg::layersOf(const QMap<QString, ModRecord> &mods,
                                          const QString &filePath)
{
    const QString key = PathCase::key(filePath);
    QMap<int, QString> byOrder;
    for (auto it = mods.cbegin(); it != mods.cend(); ++it) {
        const ModRecord &record = it.value();
        if (record.install == 0) {
            continue;
        }
        for (const FileItem &item : record.add) {
            if (PathCase::key(item.path) == key) {
                byOrder.insert(item.order, it.key());
            }
        }
        for (const FileItem &item : record.replace) {
            if (PathCase::key(item.path) == key) {
                byOrder.insert(item.order, it.key());
            }
        }
    }
    QList<Layer> layers;
    layers.reserve(byOrder.size());
    for (auto it = byOrder.cend(); it != byOrder.cbegin();) {
        --it;
        layers.append({it.key(), it.value()});
    }
    return layers;
}
