#include "gui/setgamedlg.h"
#include "support/modalanswerer.h"
#include "support/testsupport.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestSetGameDlg : public QObject
{
    Q_OBJECT

private slots:
    void formHasItsWidgets();
    void okNeedsBothFields_data();
    void okNeedsBothFields();
    void refusesUnsafeNames_data();
    void refusesUnsafeNames();
    void acceptsNameAndTypedPathAsTyped();
    void browsingGivesNativeFolderWithOneTrailingSeparator_data();
    void browsingGivesNativeFolderWithOneTrailingSeparator();
    void cancelledBrowsingKeepsTheField();
    void cancelRejects();
};

// Fills the two fields and presses OK, queued, so that a message box the click
// opens is answered by the next handler.
static ModalAnswerer::Handler fillAndOk(const QString &name, const QString &path)
{
    return [name, path](QWidget *modal) {
        modal->findChild<QLineEdit *>(QStringLiteral("lineEditGame"))->setText(name);
        modal->findChild<QLineEdit *>(QStringLiteral("lineEditPath"))->setText(path);
        auto *ok = modal->findChild<QPushButton *>(QStringLiteral("buttonOk"));
        QMetaObject::invokeMethod(ok, &QPushButton::click, Qt::QueuedConnection);
    };
}

static ModalAnswerer::Handler click(const char *button)
{
    return [button](QWidget *modal) {
        auto *target = modal->findChild<QPushButton *>(QLatin1String(button));
        QMetaObject::invokeMethod(target, &QPushButton::click, Qt::QueuedConnection);
    };
}

void TestSetGameDlg::formHasItsWidgets()
{
    SetGameDlg dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("添加游戏"));
    QCOMPARE(dialog.size(), QSize(404, 168));
    const QList<QPair<QString, QRect>> widgets = {
        {"label", {10, 4, 384, 44}},          {"label_3", {10, 52, 100, 23}},
        {"lineEditGame", {114, 53, 196, 21}}, {"label_2", {10, 84, 100, 23}},
        {"lineEditPath", {114, 85, 196, 21}}, {"buttonView", {318, 84, 76, 23}},
        {"buttonOk", {60, 126, 75, 25}},      {"buttonCancel", {220, 126, 75, 25}}};
    for (const auto &widget : widgets) {
        QWidget *found = dialog.findChild<QWidget *>(widget.first);
        QVERIFY2(found, qPrintable(widget.first));
        QCOMPARE(found->parentWidget(), &dialog);
        QCOMPARE(found->geometry(), widget.second);
    }
    QCOMPARE(dialog.findChild<QLabel *>("label")->text(),
             QStringLiteral("提示：游戏名一般是和你游戏文件夹名字一致的，别写错了"));
    QVERIFY(dialog.findChild<QLabel *>("label")->wordWrap());
    QCOMPARE(dialog.findChild<QPushButton *>("buttonView")->text(), QStringLiteral("浏览"));
    QVERIFY(dialog.m_gameName.isEmpty() && dialog.m_gamePath.isEmpty());
}

void TestSetGameDlg::okNeedsBothFields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("both empty") << ""
                                << "";
    QTest::newRow("name only") << "HoneySelect"
                               << "";
    QTest::newRow("path only") << ""
                               << "/games/hs/";
}

// Shows the dialog, types both fields and presses OK from the test itself;
// the answerer presses OK on whatever message box appears.
static QStringList pressOk(SetGameDlg &dialog, const QString &name, const QString &path)
{
    dialog.show();
    dialog.findChild<QLineEdit *>(QStringLiteral("lineEditGame"))->setText(name);
    dialog.findChild<QLineEdit *>(QStringLiteral("lineEditPath"))->setText(path);
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton());
    dialog.findChild<QPushButton *>(QStringLiteral("buttonOk"))->click();
    return answerer.messages();
}

void TestSetGameDlg::okNeedsBothFields()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    SetGameDlg dialog;
    QCOMPARE(pressOk(dialog, name, path), QStringList{QStringLiteral("提示|请补充相关参数！")});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));

    QCOMPARE(pressOk(dialog, QStringLiteral("HoneySelect"), QStringLiteral("/games/hs/")),
             QStringList());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TestSetGameDlg::refusesUnsafeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("dot dot") << ".." << QStringLiteral("游戏名不能是“.”或“..”");
    QTest::newRow("slash") << "Honey/Select" << QStringLiteral("游戏名不能包含“/”或“\\”");
    QTest::newRow("backslash") << "a\\b" << QStringLiteral("游戏名不能包含“/”或“\\”");
    QTest::newRow("reserved") << "HS?" << QStringLiteral("游戏名不能包含以下字符：< > : \" | ? *");
    QTest::newRow("control") << "H\nS" << QStringLiteral("游戏名不能包含控制字符");
    QTest::newRow("trailing blank") << "HoneySelect " << QStringLiteral("游戏名不能以点或空格结尾");
    QTest::newRow("device") << "LPT1"
                            << QStringLiteral(
                                   "游戏名不能是Windows设备名（如CON、NUL、COM1、LPT1）");
    QTest::newRow("Global") << "Global"
                            << QStringLiteral("游戏名不能是“Global”，它是设置文件自用的名称");
    QTest::newRow("global in capitals")
        << "GLOBAL" << QStringLiteral("游戏名不能是“Global”，它是设置文件自用的名称");
}

void TestSetGameDlg::refusesUnsafeNames()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    SetGameDlg dialog;
    QCOMPARE(pressOk(dialog, name, QStringLiteral("/games/hs/")),
             QStringList{QStringLiteral("提示|") + message});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void TestSetGameDlg::acceptsNameAndTypedPathAsTyped()
{
    SetGameDlg dialog;
    ModalAnswerer answerer;
    answerer.expect(fillAndOk(QStringLiteral(" 恋爱 游戏"), QStringLiteral("D:/games\\x")));
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.m_gameName, QStringLiteral(" 恋爱 游戏"));
    QCOMPARE(dialog.m_gamePath, QStringLiteral("D:/games\\x"));
    QVERIFY(answerer.unexpected().isEmpty());
}

void TestSetGameDlg::browsingGivesNativeFolderWithOneTrailingSeparator_data()
{
    QTest::addColumn<QString>("chosen"); // "" for a fresh temporary folder
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder") << ""
                            << "";
    // "/" on Linux, the current drive's root such as "C:/" on Windows.
    QTest::newRow("root") << QDir::rootPath() << QDir::toNativeSeparators(QDir::rootPath());
}

void TestSetGameDlg::browsingGivesNativeFolderWithOneTrailingSeparator()
{
    QFETCH(QString, chosen);
    QFETCH(QString, expected);
    QTemporaryDir folder;
    if (chosen.isEmpty()) {
        chosen = folder.path();
        expected = QDir::toNativeSeparators(folder.path()) + QDir::separator();
    }
    SetGameDlg dialog;
    ModalAnswerer answerer;
    bool parentless = false;
    answerer.expect([&parentless, chosen](QWidget *modal) {
        parentless = modal->parentWidget() == nullptr;
        ModalAnswerer::chooseFile(chosen)(modal);
    });
    dialog.findChild<QPushButton *>(QStringLiteral("buttonView"))->click();
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages(), QStringList{QStringLiteral("选择文件夹")});
    QVERIFY(parentless);
    QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("lineEditPath"))->text(), expected);
}

void TestSetGameDlg::cancelledBrowsingKeepsTheField()
{
    SetGameDlg dialog;
    auto *path = dialog.findChild<QLineEdit *>(QStringLiteral("lineEditPath"));
    path->setText(QStringLiteral("/typed/"));
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::reject());
    dialog.findChild<QPushButton *>(QStringLiteral("buttonView"))->click();
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages(), QStringList{QStringLiteral("选择文件夹")});
    QCOMPARE(path->text(), QStringLiteral("/typed/"));
}

void TestSetGameDlg::cancelRejects()
{
    SetGameDlg dialog;
    ModalAnswerer answerer;
    answerer.expect([](QWidget *modal) {
        modal->findChild<QLineEdit *>(QStringLiteral("lineEditGame"))
            ->setText(QStringLiteral("HoneySelect"));
        click("buttonCancel")(modal);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
}

QTEST_MAIN(TestSetGameDlg)
#include "tst_setgamedlg.moc"
