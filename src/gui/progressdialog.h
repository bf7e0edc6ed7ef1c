#ifndef VELDANE_GUI_PROGRESSDIALOG_H
#define VELDANE_GUI_PROGRESSDIALOG_H

#include <QObject>

class QProgressDialog;

// The modal wait window of the long commands. The window is made on the first
// show() and reused by every later command; it has no cancel button.
class ProgressDialog : public QObject
{
    Q_OBJECT

public:
    explicit ProgressDialog(QObject *parent = nullptr);
    ~ProgressDialog() override;

    void show();
    void setRange(int minimum, int maximum);
    void setValue(int value);

    // Hides the window at the end of a command, also when no range was set or
    // the value never reached the maximum, so that no command leaves it open.
    void finish();

    // The window, or null before the first show(); for tests.
    QProgressDialog *dialog() const { return m_dialog; }

private:
    QProgressDialog *m_dialog = nullptr;
};

#endif
