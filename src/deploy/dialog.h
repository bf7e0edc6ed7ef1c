#ifndef VELDANE_DEPLOY_DIALOG_H
#define VELDANE_DEPLOY_DIALOG_H

#include <QDialog>
#include <QString>

// Asks for the name of a mod being installed.
class Dialog : public QDialog
{
    Q_OBJECT

public:
    explicit Dialog(QWidget *parent = nullptr);
    ~Dialog() override;

    // Pre-fills the name field (a dropped folder's or archive's name).
    void setSuggestedName(const QString &name);

    QString m_name;
};

#endif
