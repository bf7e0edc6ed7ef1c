#include "gui/progressdialog.h"

#include <QProgressDialog>

ProgressDialog::ProgressDialog(QObject *parent) : QObject(parent) {}

ProgressDialog::~ProgressDialog()
{
    delete m_dialog;
}

void ProgressDialog::show()
{
    if (m_dialog) {
        m_dialog->show();
        return;
    }
    m_dialog = new QProgressDialog;
    m_dialog->setModal(true);
    m_dialog->setWindowTitle(tr("请稍等"));
    m_dialog->setLabelText(tr("处理中..."));
    m_dialog->setCancelButton(nullptr);
    m_dialog->setMinimumDuration(0);
}

void ProgressDialog::setRange(int minimum, int maximum)
{
    if (m_dialog) {
        m_dialog->setRange(minimum, maximum);
    }
}

void ProgressDialog::setValue(int value)
{
    if (m_dialog) {
        m_dialog->setValue(value);
    }
}

void ProgressDialog::finish()
{
    if (m_dialog) {
        m_dialog->reset();
        m_dialog->hide();
    }
}
