#include "gui/verifydialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

VerifyDialog::VerifyDialog(const QList<ModFileCheck> &checks, const QString &gameRoot,
                           QWidget *parent)
    : QDialog(parent), m_gameRoot(QDir::fromNativeSeparators(gameRoot)),
      m_summary(new QLabel(this)), m_tree(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("VerifyDialog"));
    setWindowTitle(tr("检查文件"));
    resize(640, 420);

    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setWordWrap(true);
    m_tree->setObjectName(QStringLiteral("treeWidget"));
    m_tree->setHeaderLabels({tr("MOD / 文件"), tr("状态")});
    m_tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_tree->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_tree->header()->setStretchLastSection(false);

    int changed = 0;
    int missing = 0;
    int unchanged = 0;
    for (const ModFileCheck &check : checks) {
        changed += check.changed.size();
        missing += check.missing.size();
        unchanged += check.unchanged;
        QString state = tr("改动 %1，缺失 %2，未改动 %3")
                            .arg(check.changed.size())
                            .arg(check.missing.size())
                            .arg(check.unchanged);
        if (check.unrecorded != 0) {
            state += tr("（其中 %1 个安装时未记录）").arg(check.unrecorded);
        }
        auto *mod = new QTreeWidgetItem(m_tree, {check.mod, state});
        const auto addFiles = [&](const QStringList &paths, const QString &what) {
            for (const QString &path : paths) {
                new QTreeWidgetItem(mod, {shown(path), what});
            }
        };
        addFiles(check.changed, tr("已改动"));
        addFiles(check.missing, tr("缺失"));
    }
    m_tree->expandAll();

    if (checks.isEmpty()) {
        m_summary->setText(tr("没有已安装的MOD。"));
    } else if (changed + missing == 0) {
        m_summary->setText(
            tr("%1 个MOD的 %2 个文件都与安装时相同。").arg(checks.size()).arg(unchanged));
    } else {
        m_summary->setText(tr("%1 个MOD中有 %2 个文件在安装后被改动，%3 个文件缺失，"
                              "%4 个文件未改动。卸载时会先询问如何处理改动的文件。")
                               .arg(checks.size())
                               .arg(changed)
                               .arg(missing)
                               .arg(unchanged));
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(tr("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_tree);
    layout->addWidget(buttons);
}

QString VerifyDialog::shown(const QString &path) const
{
    const QString plain = QDir::fromNativeSeparators(path);
    if (!m_gameRoot.isEmpty() && plain.startsWith(m_gameRoot + QLatin1Char('/'))) {
        return QDir::toNativeSeparators(plain.mid(m_gameRoot.size() + 1));
    }
    return QDir::toNativeSeparators(path);
}
