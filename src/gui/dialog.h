#ifndef VELDANE_GUI_DIALOG_H
#define VELDANE_GUI_DIALOG_H

#include <QDialog>
#include <QString>

class Ui_Dialog;

// Asks for the name of a mod being installed. The name becomes the mod's id and
// the name of its backup folder and kept copy, so only names that are one safe
// folder name are accepted.
class Dialog : public QDialog
{
    Q_OBJECT

public:
    explicit Dialog(QWidget *parent = nullptr);
    ~Dialog() override;

    // Pre-fills the name field (a dropped folder's or archive's name).
    void setSuggestedName(const QString &name);

    // The accepted name; read it after exec() returned Accepted.
    QString m_name;

private slots:
    void sltSet();

private:
    Ui_Dialog *ui;
};

#endif
