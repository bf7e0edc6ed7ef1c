#ifndef VELDANE_GUI_PROGRESSDIALOG_H
#define VELDANE_GUI_PROGRESSDIALOG_H

#include "deploy/commandprogress.h"

#include <QObject>

class QProgressDialog;

// The modal wait window of the long commands. The window is made on the first
// show() and reused by every later command; it has no cancel button. Each step
// of the command's range is split into finer parts on the bar, so that the
// bytes of a large file move it within its step.
class ProgressDialog : public QObject
{
    Q_OBJECT

public:
    explicit ProgressDialog(QObject *parent = nullptr);
    ~ProgressDialog() override;

    void show();
    void setRange(int minimum, int maximum);
    void setValue(int value);
    // The bytes done of the file being handled, the step after the value. The
    // window handles its events here even when the bar does not move, so it
    // never stops answering during a long copy; being modal, it lets the user
    // start nothing else meanwhile.
    void setFileBytes(qint64 done, qint64 total);

    // Progress for a command, reported to this window.
    CommandProgress commandProgress();

    // Hides the window at the end of a command, also when no range was set or
    // the value never reached the maximum, so that no command leaves it open.
    void finish();

    // The window, or null before the first show(); for tests.
    QProgressDialog *dialog() const { return m_dialog; }

private:
    QProgressDialog *m_dialog = nullptr;
    int m_value = 0;
    int m_maximum = 0;
    int m_partsPerStep = 1;
};

#endif
