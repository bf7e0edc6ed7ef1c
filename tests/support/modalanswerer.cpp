#include "support/modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTest>

ModalAnswerer::ModalAnswerer(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start();
}

void ModalAnswerer::expect(Handler handler)
{
    m_queue.enqueue(std::move(handler));
}

QString ModalAnswerer::describe(QWidget *modal)
{
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        return box->windowTitle() + QLatin1Char('|') + box->text();
    }
    return modal->windowTitle();
}

ModalAnswerer::Handler ModalAnswerer::pressButton(QMessageBox::StandardButton button)
{
    return [button](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box) {
            static_cast<QDialog *>(modal)->reject();
            return;
        }
        if (QAbstractButton *pressed = box->button(button)) {
            pressed->click();
        } else {
            box->reject();
        }
    };
}

ModalAnswerer::Handler ModalAnswerer::chooseFile(const QString &path)
{
    return [path](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog) {
            static_cast<QDialog *>(modal)->reject();
            return;
        }
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        edit->setText(path);
        static_cast<QDialog *>(dialog)->accept();
    };
}

ModalAnswerer::Handler ModalAnswerer::reject()
{
    return [](QWidget *modal) {
        if (auto *dialog = qobject_cast<QDialog *>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
    };
}

bool ModalAnswerer::waitUntilAnswered(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while ((!m_queue.isEmpty() || m_running) && clock.elapsed() < timeoutMs) {
        QTest::qWait(10);
    }
    return m_queue.isEmpty() && !m_running;
}

bool ModalAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_handled &&
        (event->type() == QEvent::Hide || event->type() == QEvent::Destroy)) {
        m_handled->removeEventFilter(this);
        m_handled = nullptr;
    }
    return QObject::eventFilter(watched, event);
}

void ModalAnswerer::poll()
{
    if (m_running) {
        return;
    }
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || modal == m_handled || !modal->isVisible()) {
        return;
    }
    // The busy indicator closes itself when its command ends; nobody answers it.
    if (qobject_cast<QProgressDialog *>(modal)) {
        return;
    }
    // The busy indicator is modal too, but closes by itself when the command ends.
    if (qobject_cast<QProgressDialog *>(modal)) {
        return;
    }
    // A window must still be on top at the next look: a parent dialog shows
    // through for a moment while its child closes and before the message box
    // that follows opens, and must not take that message box's answer.
    if (modal != m_candidate) {
        m_candidate = modal;
        return;
    }
    if (m_handled) {
        m_handled->removeEventFilter(this);
    }
    m_handled = modal;
    modal->installEventFilter(this);
    m_messages << describe(modal);

    Handler handler;
    if (m_queue.isEmpty()) {
        m_unexpected << describe(modal);
        handler = reject();
    } else {
        handler = m_queue.dequeue();
    }
    m_running = true;
    QPointer<QWidget> target(modal);
    QMetaObject::invokeMethod(
        this,
        [this, target, handler]() {
            if (target) {
                handler(target);
            }
            m_running = false;
        },
        Qt::QueuedConnection);
}
