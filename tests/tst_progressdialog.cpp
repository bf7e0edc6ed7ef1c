#include "gui/progressdialog.h"

#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

class TestProgressDialog : public QObject
{
    Q_OBJECT

private slots:
    void callsBeforeFirstShowAreIgnored();
    void oneWindowServesEveryCommand();
    void closesAtMaximum();
    void finishClosesWithoutRange();
    void fileBytesMoveWithinTheStepAndNeverClose();
};

void TestProgressDialog::callsBeforeFirstShowAreIgnored()
{
    ProgressDialog progress;
    progress.setRange(0, 10);
    progress.setValue(5);
    progress.finish();
    QVERIFY(progress.dialog() == nullptr);
}

void TestProgressDialog::oneWindowServesEveryCommand()
{
    ProgressDialog progress;
    progress.show();
    QProgressDialog *window = progress.dialog();
    QVERIFY(window);
    QVERIFY(window->isModal());
    QCOMPARE(window->windowTitle(), QStringLiteral("请稍等"));
    QCOMPARE(window->labelText(), QStringLiteral("处理中..."));
    QVERIFY(window->findChildren<QPushButton *>().isEmpty());
    QCOMPARE(window->minimumDuration(), 0);

    progress.setRange(0, 3);
    progress.setValue(3);
    progress.show();
    QCOMPARE(progress.dialog(), window);
    QCOMPARE(window->labelText(), QStringLiteral("处理中..."));
}

void TestProgressDialog::closesAtMaximum()
{
    ProgressDialog progress;
    progress.show();
    progress.setRange(0, 2);
    progress.setValue(1);
    QVERIFY(progress.dialog()->isVisible());
    progress.setValue(2);
    QVERIFY(!progress.dialog()->isVisible());
}

void TestProgressDialog::finishClosesWithoutRange()
{
    ProgressDialog progress;
    progress.show();
    progress.setValue(1); // shows the window, with Qt's default range of 0..100
    QVERIFY(progress.dialog()->isVisible());
    progress.finish();
    QVERIFY(!progress.dialog()->isVisible());

    // The next command starts from a clean window.
    progress.show();
    progress.setRange(0, 1);
    progress.setValue(1);
    QVERIFY(!progress.dialog()->isVisible());
}

void TestProgressDialog::fileBytesMoveWithinTheStepAndNeverClose()
{
    ProgressDialog progress;
    progress.show();
    progress.setRange(0, 2);
    progress.setValue(1);
    const int stepStart = progress.dialog()->value();
    progress.setFileBytes(50, 100);
    const int halfWay = progress.dialog()->value();
    QVERIFY(halfWay > stepStart && halfWay < progress.dialog()->maximum());
    // The last bytes of the last file must not close the window early.
    progress.setFileBytes(100, 100);
    QVERIFY(progress.dialog()->isVisible());
    QVERIFY(progress.dialog()->value() > halfWay);
    progress.setValue(2);
    QVERIFY(!progress.dialog()->isVisible());
}

QTEST_MAIN(TestProgressDialog)
#include "tst_progressdialog.moc"
