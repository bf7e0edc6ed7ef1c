#include "config/setdialog.h"

SetDialog::SetDialog(QWidget *parent) : QDialog(parent) {}

SetDialog::~SetDialog() = default;
