#include "gui/batchinstalldialog.h"

#include "deploy/commandmessages.h"

#include <QBrush>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column
{
    NameColumn,
    SourceColumn,
    StateColumn
};

} // namespace

BatchInstallDialog::BatchInstallDialog(const QList<InstallBatch::Row> &rows, const Checker &checker,
                                       QWidget *parent)
    : QDialog(parent), m_rows(rows), m_checker(checker), m_table(new QTableWidget(this)),
      m_install(nullptr)
{
    setWindowTitle(tr("安装多个MOD"));
    resize(760, 360);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("确认或修改每个MOD的名称；取消勾选的项目不会安装。"), this));

    m_table->setObjectName(QStringLiteral("nameTable"));
    m_table->setColumnCount(3);
    m_table->setHorizontalHeaderLabels({tr("MOD名"), tr("来源"), tr("状态")});
    m_table->setRowCount(m_rows.size());
    m_table->verticalHeader()->setVisible(true);
    m_table->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Interactive);
    m_table->horizontalHeader()->setSectionResizeMode(SourceColumn, QHeaderView::Interactive);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(NameColumn, 200);
    m_table->setColumnWidth(SourceColumn, 200);
    for (int i = 0; i < m_rows.size(); ++i) {
        const InstallBatch::Row &row = m_rows.at(i);
        auto *name = new QTableWidgetItem(row.name);
        // A source refused for what it holds cannot be put right by a name.
        if (!row.sourceRefused()) {
            name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable |
                           Qt::ItemIsUserCheckable);
            name->setCheckState(Qt::Checked);
        } else {
            name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        }
        auto *source = new QTableWidgetItem(QFileInfo(row.source).fileName());
        source->setToolTip(QDir::toNativeSeparators(row.source));
        source->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        auto *state = new QTableWidgetItem;
        state->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        m_table->setItem(i, NameColumn, name);
        m_table->setItem(i, SourceColumn, source);
        m_table->setItem(i, StateColumn, state);
    }
    layout->addWidget(m_table);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_install = buttons->button(QDialogButtonBox::Ok);
    m_install->setText(tr("安装"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    check();
    connect(m_table, &QTableWidget::itemChanged, this, &BatchInstallDialog::sltItemChanged);
}

QList<bool> BatchInstallDialog::skipped() const
{
    QList<bool> skipped;
    for (int i = 0; i < m_rows.size(); ++i) {
        const QTableWidgetItem *name = m_table->item(i, NameColumn);
        skipped << ((name->flags() & Qt::ItemIsUserCheckable) && name->checkState() != Qt::Checked);
    }
    return skipped;
}

void BatchInstallDialog::sltItemChanged(QTableWidgetItem *item)
{
    if (item->column() != NameColumn) {
        return;
    }
    m_rows[item->row()].name = item->text();
    check();
}

void BatchInstallDialog::check()
{
    const QList<bool> left = skipped();
    m_checker(m_rows, left);
    // Marking the rows changes items: no check again from that.
    const QSignalBlocker blocker(m_table);
    int toInstall = 0;
    bool refused = false;
    for (int i = 0; i < m_rows.size(); ++i) {
        const InstallBatch::Row &row = m_rows.at(i);
        QTableWidgetItem *state = m_table->item(i, StateColumn);
        const bool included = !left.at(i) && !row.sourceRefused();
        QString text;
        if (left.at(i)) {
            text = tr("不安装");
        } else if (row.refused()) {
            text = CommandMessages::batchRefusal(row, row.refusal);
        } else {
            text = tr("可以安装");
        }
        state->setText(text);
        state->setToolTip(text);
        const QBrush brush = !row.refused() || left.at(i) ? QBrush() : QBrush(Qt::red);
        for (int column = 0; column < 3; ++column) {
            m_table->item(i, column)->setForeground(brush);
        }
        toInstall += included ? 1 : 0;
        refused = refused || (included && row.refused());
    }
    m_install->setEnabled(toInstall > 0 && !refused);
}

QList<InstallBatch::Row> BatchInstallDialog::chosenRows() const
{
    QList<InstallBatch::Row> chosen;
    const QList<bool> left = skipped();
    for (int i = 0; i < m_rows.size(); ++i) {
        if (!left.at(i) && !m_rows.at(i).sourceRefused()) {
            chosen << m_rows.at(i);
        }
    }
    return chosen;
}

QList<InstallBatch::Row> BatchInstallDialog::leftOutRows() const
{
    QList<InstallBatch::Row> leftOut;
    const QList<bool> left = skipped();
    for (int i = 0; i < m_rows.size(); ++i) {
        if (left.at(i) || m_rows.at(i).sourceRefused()) {
            leftOut << m_rows.at(i);
        }
    }
    return leftOut;
}
