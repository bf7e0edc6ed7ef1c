#include "gui/progressdialog.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <limits>

namespace {

// Fine enough for a smooth bar over one large file.
constexpr int PartsPerStep = 1000;

} // namespace

ProgressDialog::ProgressDialog(QObject *parent) : QObject(parent) {}

ProgressDialog::~ProgressDialog()
{
    delete m_dialog;
}

void ProgressDialog::show()
{
    if (m_dialog) {
        m_dialog->show();
        return;
    }
    m_dialog = new QProgressDialog;
    m_dialog->setModal(true);
    m_dialog->setWindowTitle(QStringLiteral("请稍等"));
    m_dialog->setLabelText(QStringLiteral("处理中..."));
    m_dialog->setCancelButton(nullptr);
    m_dialog->setMinimumDuration(0);
}

void ProgressDialog::setRange(int minimum, int maximum)
{
    if (!m_dialog) {
        return;
    }
    // Very long ranges keep whole steps rather than overflow the bar.
    const qint64 widest = qMax(qAbs(qint64(minimum)), qAbs(qint64(maximum)));
    m_partsPerStep = widest * PartsPerStep <= std::numeric_limits<int>::max() ? PartsPerStep : 1;
    m_value = minimum;
    m_maximum = maximum;
    m_dialog->setRange(minimum * m_partsPerStep, maximum * m_partsPerStep);
}

void ProgressDialog::setValue(int value)
{
    if (!m_dialog) {
        return;
    }
    m_value = value;
    if (value * m_partsPerStep != m_dialog->value()) {
        m_dialog->setValue(value * m_partsPerStep); // handles the events itself, being modal
    } else {
        // A step that does not move the bar is still a moment to answer in.
        QCoreApplication::processEvents();
    }
}

void ProgressDialog::setFileBytes(qint64 done, qint64 total)
{
    if (!m_dialog || total <= 0) {
        return;
    }
    const qint64 part = qBound<qint64>(0, done * m_partsPerStep / total, m_partsPerStep);
    // Reaching the maximum would close the window before the command ends.
    const int top = m_maximum * m_partsPerStep - 1;
    const int value = int(qMin<qint64>(qint64(m_value) * m_partsPerStep + part, top));
    if (value > m_dialog->value()) {
        m_dialog->setValue(value); // handles the events itself, being modal
    } else {
        QCoreApplication::processEvents();
    }
}

CommandProgress ProgressDialog::commandProgress()
{
    CommandProgress progress;
    progress.setRange = [this](int minimum, int maximum) { setRange(minimum, maximum); };
    progress.setValue = [this](int value) { setValue(value); };
    progress.setFileBytes = [this](qint64 done, qint64 total) { setFileBytes(done, total); };
    return progress;
}

void ProgressDialog::finish()
{
    if (m_dialog) {
        m_dialog->reset();
        m_dialog->hide();
    }
}
