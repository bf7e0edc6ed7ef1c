#ifndef VELDANE_GUI_SETDIALOG_H
#define VELDANE_GUI_SETDIALOG_H

#include <QDialog>
#include <QString>

class Ui_SetDialog;

// Settings dialog: backup root, active game and the games' install folders.
// OK writes the settings; adding and deleting a game take effect at once,
// whichever button closes the dialog afterwards.
class SetDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SetDialog(QWidget *parent = nullptr);
    ~SetDialog() override;

    // The game that was current when OK succeeded.
    QString m_game;

private slots:
    void sltViewBakFolder();
    void sltViewGamePath();
    void sltOk();
    void sltCancel();
    void sltAddGame();
    void sltDeleteGame();
    void sltSelectChanged(QString text);

private:
    Ui_SetDialog *ui;
};

#endif
