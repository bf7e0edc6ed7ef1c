#ifndef VELDANE_CONFIG_SETDIALOG_H
#define VELDANE_CONFIG_SETDIALOG_H

#include <QDialog>
#include <QString>

// Settings dialog: backup root, active game and the games' install folders.
class SetDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SetDialog(QWidget *parent = nullptr);
    ~SetDialog() override;

    QString m_game;
};

#endif
