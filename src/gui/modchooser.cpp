#include "gui/modchooser.h"

#include <QFileInfo>
#include <QStandardPaths>

ModChooser::ModChooser(QWidget *parent)
    : QFileDialog(parent, tr("选择MOD"),
                  QStandardPaths::writableLocation(QStandardPaths::DesktopLocation))
{
    setOption(QFileDialog::DontUseNativeDialog);
    setViewMode(QFileDialog::Detail);
    setFileMode(QFileDialog::ExistingFiles);
    setNameFilters({tr("MOD文件夹或压缩包 (*.zip *.7z *.rar)"), tr("所有文件 (*)")});
    setLabelText(QFileDialog::Accept, tr("安装"));
}

void ModChooser::accept()
{
    QStringList chosen;
    for (const QString &path : selectedFiles()) {
        const QFileInfo info(path);
        if (info.exists()) {
            chosen << info.absoluteFilePath();
        }
    }
    // Nothing usable named: the dialog stays, as Qt's does.
    if (chosen.isEmpty()) {
        return;
    }
    m_chosen = chosen;
    QDialog::accept();
}
