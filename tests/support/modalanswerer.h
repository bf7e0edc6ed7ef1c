#ifndef VELDANE_TESTS_MODALANSWERER_H
#define VELDANE_TESTS_MODALANSWERER_H

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QStringList>
#include <QTimer>

#include <functional>

// Answers the modal windows that a command opens, one queued handler per
// window, in order. Handlers run from a queued call, never inside the timer's
// own slot, so a handler may click a button that opens the next modal window.
// A modal window that arrives with no handler queued is recorded as
// unexpected and rejected, so a test fails instead of hanging. The busy
// indicator is left alone.
class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(QWidget *modal)>;

    explicit ModalAnswerer(QObject *parent = nullptr);

    void expect(Handler handler);

    // Presses one button of the message box and records "title|text".
    static Handler pressButton(QMessageBox::StandardButton button = QMessageBox::Ok);
    // Puts an absolute path into a QFileDialog and accepts it.
    static Handler chooseFile(const QString &path);
    // Rejects whatever window is shown.
    static Handler reject();

    int pending() const { return m_queue.size(); }
    bool waitUntilAnswered(int timeoutMs = 10000);

    QStringList messages() const { return m_messages; }
    QStringList unexpected() const { return m_unexpected; }
    void record(const QString &message) { m_messages << message; }

    // Title and text of the message box, "title|text".
    static QString describe(QWidget *modal);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void poll();

    QTimer m_timer;
    QQueue<Handler> m_queue;
    QPointer<QWidget> m_handled;
    QPointer<QWidget> m_candidate;
    bool m_running = false;
    QStringList m_messages;
    QStringList m_unexpected;
};

#endif
