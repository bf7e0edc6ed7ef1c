#ifndef VELDANE_GUI_SETGAMEDLG_H
#define VELDANE_GUI_SETGAMEDLG_H

#include <QDialog>
#include <QString>

class Ui_SetGameDlg;

// Asks for the name and install folder of a game to add. Writes nothing; the
// caller stores the two results after the dialog was accepted.
class SetGameDlg : public QDialog
{
    Q_OBJECT

public:
    explicit SetGameDlg(QWidget *parent = nullptr);
    ~SetGameDlg() override;

    QString m_gamePath;
    QString m_gameName;

private slots:
    void sltViewGameFolder();
    void sltOk();
    void sltCancel();

private:
    Ui_SetGameDlg *ui;
};

#endif
