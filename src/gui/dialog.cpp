#include "gui/dialog.h"

#include "config/foldername.h"
#include "deploy/commandmessages.h"
#include "ui_dialog.h"

#include <QMessageBox>

Dialog::Dialog(QWidget *parent) : QDialog(parent), ui(new Ui_Dialog)
{
    ui->setupUi(this);
    connect(ui->pushButton, &QPushButton::clicked, this, &Dialog::sltSet);
}

Dialog::~Dialog()
{
    delete ui;
}

void Dialog::setSuggestedName(const QString &name)
{
    ui->lineEdit->setText(name);
}

void Dialog::sltSet()
{
    const QString name = ui->lineEdit->text();
    if (name.isEmpty()) {
        QMessageBox::information(this, tr("提示"), tr("mod名不能为空"), QMessageBox::Ok);
        return;
    }
    QString reason;
    if (isSetAsideFolderName(name)) {
        reason = tr("不能是“%1”（留存文件的文件夹）").arg(setAsideFolderName());
    } else {
        reason = CommandMessages::folderNameReason(folderNameFault(name));
    }
    if (!reason.isEmpty()) {
        QMessageBox::information(this, tr("提示"), tr("mod名%1").arg(reason), QMessageBox::Ok);
        return;
    }
    m_name = name;
    accept();
}
