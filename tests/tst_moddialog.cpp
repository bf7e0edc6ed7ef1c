#include "gui/dialog.h"
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

// Types a name and presses the button from the test itself; the answerer
// presses OK on the message box, if one appears. Returns the boxes'
// "title|text". The dialog is not shown: being modal, it would compete with
// the box for the answerer.
static QStringList pressOk(Dialog &dialog, const QString &name)
{
    dialog.findChild<QLineEdit *>(QStringLiteral("lineEdit"))->setText(name);
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton());
    dialog.findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
    return answerer.messages();
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
    QCOMPARE(pressOk(dialog, QString()), QStringList{notice(QStringLiteral("mod名不能为空"))});
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(dialog.m_name.isEmpty());

    QCOMPARE(pressOk(dialog, QStringLiteral("衣服 v2")), QStringList());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
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
    // The folder of set-aside files sits among the mods' backup folders.
    QTest::newRow("set-aside folder")
        << QStringLiteral("veldane留存")
        << QStringLiteral("mod名不能是“Veldane留存”（留存文件的文件夹）");
}

void TestModDialog::unsafeNameIsRefusedAndDialogStaysOpen()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    Dialog dialog;
    QCOMPARE(pressOk(dialog, name), QStringList{notice(message)});
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(dialog.m_name.isEmpty());

    QCOMPARE(pressOk(dialog, QStringLiteral("coat")), QStringList());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
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
