#include "gui/setgamedlg.h"

#include "config/foldername.h"
#include "deploy/commandmessages.h"
#include "gui/folderchooser.h"
#include "ui_setgamedlg.h"

#include <QMessageBox>

SetGameDlg::SetGameDlg(QWidget *parent) : QDialog(parent), ui(new Ui_SetGameDlg)
{
    ui->setupUi(this);
    connect(ui->buttonOk, &QPushButton::clicked, this, &SetGameDlg::sltOk);
    connect(ui->buttonCancel, &QPushButton::clicked, this, &SetGameDlg::sltCancel);
    connect(ui->buttonView, &QPushButton::clicked, this, &SetGameDlg::sltViewGameFolder);
}

SetGameDlg::~SetGameDlg()
{
    delete ui;
}

void SetGameDlg::sltViewGameFolder()
{
    const QString folder = FolderChooser::chooseGameFolder();
    if (!folder.isEmpty()) {
        ui->lineEditPath->setText(folder);
    }
}

void SetGameDlg::sltOk()
{
    m_gamePath = ui->lineEditPath->text();
    m_gameName = ui->lineEditGame->text();
    if (m_gamePath.isEmpty() || m_gameName.isEmpty()) {
        QMessageBox::information(nullptr, tr("提示"), tr("请补充相关参数！"), QMessageBox::Ok);
        return;
    }
    // The name becomes folders that deleting the game removes, and the name of
    // its settings group, so it must be one safe folder name and not the
    // settings' own group.
    const QString reason = CommandMessages::folderNameReason(folderNameFault(m_gameName));
    if (!reason.isEmpty()) {
        QMessageBox::information(this, tr("提示"), tr("游戏名%1").arg(reason), QMessageBox::Ok);
        return;
    }
    if (m_gameName.compare(QLatin1String("Global"), Qt::CaseInsensitive) == 0) {
        QMessageBox::information(
            this, tr("提示"), tr("游戏名不能是“Global”，它是设置文件自用的名称"), QMessageBox::Ok);
        return;
    }
    accept();
}

void SetGameDlg::sltCancel()
{
    reject();
}
