#include "gui/folderchooser.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

QString FolderChooser::chooseFolder()
{
    QFileDialog dialog(nullptr, tr("选择文件夹"),
                       QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
                       QStringLiteral("Supported types (*.*)"));
    dialog.setViewMode(QFileDialog::Detail);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted) {
        return QString();
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) {
        return QString();
    }
    return QDir::toNativeSeparators(chosen.first());
}

QString FolderChooser::chooseGameFolder()
{
    QString folder = chooseFolder();
    if (!folder.isEmpty() && !folder.endsWith(QDir::separator())) {
        folder += QDir::separator();
    }
    return folder;
}
