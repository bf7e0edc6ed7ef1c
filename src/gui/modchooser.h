#ifndef VELDANE_GUI_MODCHOOSER_H
#define VELDANE_GUI_MODCHOOSER_H

#include <QFileDialog>
#include <QStringList>

// The install button's chooser: mod folders and zip, 7z or rar archives,
// several at once. Qt's own dialog takes either folders or files, so this
// one is always the widget dialog and accepts whatever existing entries are
// selected; a double click still opens a folder.
class ModChooser : public QFileDialog
{
    Q_OBJECT

public:
    explicit ModChooser(QWidget *parent = nullptr);

    // The chosen folders and archives, absolute, once accepted.
    QStringList chosen() const { return m_chosen; }

public slots:
    void accept() override;

private:
    QStringList m_chosen;
};

#endif
