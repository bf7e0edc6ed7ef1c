#ifndef VELDANE_BENCH_BENCHWINDOW_H
#define VELDANE_BENCH_BENCHWINDOW_H

// The main window as a user drives it, for the benchmarks that time the
// commands through it: on the workspace of BenchRig::workspace, with every
// question answered as soon as its window shows (the mod's name typed, OK or
// Yes pressed on a message box), so that the times hold no waiting on a
// user. The busy indicator is left alone. Needs a QApplication (offscreen).

#include "benchrig.h"
#include "gui/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace BenchWindow {

// Answers each modal window from that window's own event loop.
class Answerer : public QObject
{
public:
    Answerer() { qApp->installEventFilter(this); }
    ~Answerer() override { qApp->removeEventFilter(this); }
    Answerer(const Answerer &) = delete;
    Answerer &operator=(const Answerer &) = delete;

    // The name typed into the next name dialog.
    QString name;
    // A window came that is neither a name dialog nor a message box with OK
    // or Yes; it was rejected.
    bool failed = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (event->type() == QEvent::Show && dialog && dialog->isModal() &&
            !qobject_cast<QProgressDialog *>(dialog)) {
            const QPointer<QDialog> shown(dialog);
            QTimer::singleShot(0, this, [this, shown] {
                if (shown) {
                    answer(shown);
                }
            });
        }
        return false;
    }

private:
    void answer(QDialog *dialog)
    {
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            QAbstractButton *button = box->button(QMessageBox::Ok);
            button = button ? button : box->button(QMessageBox::Yes);
            if (button) {
                button->click();
                return;
            }
        }
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("lineEdit"));
        auto *button = dialog->findChild<QPushButton *>(QStringLiteral("pushButton"));
        if (edit && button && !qobject_cast<QMessageBox *>(dialog)) {
            edit->setText(name);
            button->click();
            return;
        }
        std::fprintf(stderr, "unexpected window: %s\n", qPrintable(dialog->windowTitle()));
        failed = true;
        dialog->reject();
    }
};

// The main window on the workspace of `root`, made before anything is timed;
// the working folder goes back when the session ends.
class Session
{
public:
    explicit Session(const QString &root) : m_previous(QDir::currentPath())
    {
        QDir::setCurrent(BenchRig::workspace(root));
        m_window = std::make_unique<MainWindow>();
        if (!m_window->isReady()) {
            std::fprintf(stderr, "the window did not start\n");
        }
    }
    ~Session()
    {
        m_window.reset();
        QDir::setCurrent(m_previous);
    }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // A chosen mod folder installed under `name`, up to the window's answer.
    bool install(const QString &folder, const QString &name)
    {
        m_answerer.name = name;
        m_window->installModFolder(folder);
        return !m_answerer.failed && installed(name) == 1;
    }

    // The button's uninstall of the mod the window shows (the last one
    // installed), up to the window's answer.
    bool uninstall(const QString &name)
    {
        QMetaObject::invokeMethod(m_window.get(), "sltUninstall");
        return !m_answerer.failed && installed(name) == 0;
    }

private:
    int installed(const QString &name) const
    {
        return m_window->modCfg().m_mods.value(name).install;
    }

    QString m_previous;
    Answerer m_answerer;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace BenchWindow

#endif
