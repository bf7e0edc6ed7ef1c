#include "deploy/dialog.h"
#include "support/modalanswerer.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestModDialog : public QObject
{
    Q_OBJECT

private slots:
    void formHasItsWidgets();
    void emptyNameIsRefusedThenTypedNameAccepted();
    void unsafeNameIsRefusedAndDialogStaysOpen_data();
    void unsafeNameIsRefusedAndDialogStaysOpen();
    void suggestedNameIsAcceptedAsIs();
    void closingLeavesNameEmpty();
};

static QString notice(const QString &text)
{
    return QStringLiteral("提示|") + text;
}

// Types a name, presses the button through a queued click while exec() runs,
// and answers the windows that the click opens.
struct DialogRun
{
    int result = -1;
    QStringList messages;
    QStringList unexpected;
};

static DialogRun runDialog(Dialog &dialog, const QStringList &names, int refusals)
{
    ModalAnswerer answerer;
    // The first modal window is the dialog itself: type each name and press OK.
    answerer.expect([&names, refusals, &answerer](QWidget *modal) {
        auto *edit = modal->findChild<QLineEdit *>(QStringLiteral("lineEdit"));
        auto *button = modal->findChild<QPushButton *>(QStringLiteral("pushButton"));
        edit->setText(names.first());
        for (int i = 0; i < refusals; ++i) {
            answerer.expect([edit, button, &names, i](QWidget *box) {
                ModalAnswerer::pressButton()(box);
                QMetaObject::invokeMethod(
                    button,
                    [edit, button, &names, i]() {
                        edit->setText(names.at(i + 1));
                        button->click();
                    },
                    Qt::QueuedConnection);
            });
        }
        QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
    });
    DialogRun run;
    run.result = dialog.exec();
    answerer.waitUntilAnswered();
    run.messages = answerer.messages();
    run.messages.removeFirst();
    run.unexpected = answerer.unexpected();
    return run;
}

void TestModDialog::formHasItsWidgets()
{
    Dialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("MOD名称"));
    QVERIFY(dialog.isModal());
    QCOMPARE(dialog.size(), QSize(293, 128));
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("lineEdit"));
    auto *button = dialog.findChild<QPushButton *>(QStringLiteral("pushButton"));
    QVERIFY(edit && button);
    QCOMPARE(edit->geometry(), QRect(50, 30, 201, 31));
    QCOMPARE(button->geometry(), QRect(110, 90, 75, 23));
    QCOMPARE(button->text(), QStringLiteral("确定"));
    QVERIFY(dialog.m_name.isEmpty());
}

void TestModDialog::emptyNameIsRefusedThenTypedNameAccepted()
{
    Dialog dialog;
    const DialogRun run = runDialog(dialog, {QString(), QStringLiteral("衣服 v2")}, 1);
    QCOMPARE(run.result, int(QDialog::Accepted));
    QCOMPARE(run.messages, QStringList{notice(QStringLiteral("mod名不能为空"))});
    QVERIFY(run.unexpected.isEmpty());
    QCOMPARE(dialog.m_name, QStringLiteral("衣服 v2"));
}

void TestModDialog::unsafeNameIsRefusedAndDialogStaysOpen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("dot dot") << ".." << QStringLiteral("mod名不能是“.”或“..”");
    QTest::newRow("dot") << "." << QStringLiteral("mod名不能是“.”或“..”");
    QTest::newRow("slash") << "a/b" << QStringLiteral("mod名不能包含“/”或“\\”");
    QTest::newRow("backslash") << "..\\.." << QStringLiteral("mod名不能包含“/”或“\\”");
    QTest::newRow("single blank") << " " << QStringLiteral("mod名不能以点或空格结尾");
    QTest::newRow("trailing dot") << "coat." << QStringLiteral("mod名不能以点或空格结尾");
    QTest::newRow("reserved") << "a:b" << QStringLiteral("mod名不能包含以下字符：< > : \" | ? *");
    QTest::newRow("device") << "com3"
                            << QStringLiteral("mod名不能是Windows设备名（如CON、NUL、COM1、LPT1）");
}

void TestModDialog::unsafeNameIsRefusedAndDialogStaysOpen()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    Dialog dialog;
    const DialogRun run = runDialog(dialog, {name, QStringLiteral("coat")}, 1);
    QCOMPARE(run.result, int(QDialog::Accepted));
    QCOMPARE(run.messages, QStringList{notice(message)});
    QVERIFY(run.unexpected.isEmpty());
    QCOMPARE(dialog.m_name, QStringLiteral("coat"));
}

void TestModDialog::suggestedNameIsAcceptedAsIs()
{
    Dialog dialog;
    dialog.setSuggestedName(QStringLiteral(" Outfit pack"));
    QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("lineEdit"))->text(),
             QStringLiteral(" Outfit pack"));
    ModalAnswerer answerer;
    answerer.expect([](QWidget *modal) {
        auto *button = modal->findChild<QPushButton *>(QStringLiteral("pushButton"));
        QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(dialog.m_name, QStringLiteral(" Outfit pack"));
}

void TestModDialog::closingLeavesNameEmpty()
{
    Dialog dialog;
    ModalAnswerer answerer;
    answerer.expect([](QWidget *modal) {
        modal->findChild<QLineEdit *>(QStringLiteral("lineEdit"))->setText(QStringLiteral("x"));
        modal->close();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(dialog.m_name.isEmpty());
}

QTEST_MAIN(TestModDialog)
#include "tst_moddialog.moc"
