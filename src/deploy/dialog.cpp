#include "deploy/dialog.h"

Dialog::Dialog(QWidget *parent) : QDialog(parent) {}

Dialog::~Dialog() = default;

void Dialog::setSuggestedName(const QString &name)
{
    Q_UNUSED(name);
}
