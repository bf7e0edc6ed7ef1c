#include "config/foldername.h"
#include "deploy/commandmessages.h"

#include <QtTest>

class TestFolderName : public QObject
{
    Q_OBJECT

private slots:
    void refusesNamesThatAreNotOneFolder_data();
    void refusesNamesThatAreNotOneFolder();
    void acceptsOrdinaryNames_data();
    void acceptsOrdinaryNames();
};

void TestFolderName::refusesNamesThatAreNotOneFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");

    const QString dots = QStringLiteral("不能是“.”或“..”");
    const QString separators = QStringLiteral("不能包含“/”或“\\”");
    const QString reserved = QStringLiteral("不能包含以下字符：< > : \" | ? *");
    const QString control = QStringLiteral("不能包含控制字符");
    const QString trailing = QStringLiteral("不能以点或空格结尾");
    const QString device = QStringLiteral("不能是Windows设备名（如CON、NUL、COM1、LPT1）");

    QTest::newRow("empty") << QString() << QStringLiteral("不能为空");
    QTest::newRow("dot") << "." << dots;
    QTest::newRow("dot dot") << ".." << dots;
    QTest::newRow("slash") << "a/b" << separators;
    QTest::newRow("leading slash") << "/" << separators;
    QTest::newRow("backslash") << "a\\b" << separators;
    QTest::newRow("dot dot with separator") << "..\\x" << separators;
    for (const char c : {'<', '>', ':', '"', '|', '?', '*'}) {
        QTest::newRow(qPrintable(QStringLiteral("reserved %1").arg(QLatin1Char(c))))
            << QStringLiteral("mod%1x").arg(QLatin1Char(c)) << reserved;
    }
    QTest::newRow("tab") << "a\tb" << control;
    QTest::newRow("newline") << "a\nb" << control;
    QTest::newRow("nul char") << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b"))
                              << control;
    QTest::newRow("delete char") << QString(QStringLiteral("a") + QChar(0x7F)) << control;
    QTest::newRow("trailing dot") << "mod." << trailing;
    QTest::newRow("trailing blank") << "mod " << trailing;
    QTest::newRow("single blank") << " " << trailing;
    QTest::newRow("three dots") << "..." << trailing;
    QTest::newRow("CON") << "CON" << device;
    QTest::newRow("nul lower case") << "nul" << device;
    QTest::newRow("device with extension") << "Aux.txt" << device;
    QTest::newRow("device, blank before extension") << "prn .tar.gz" << device;
    QTest::newRow("COM1") << "COM1" << device;
    QTest::newRow("lpt9") << "lpt9" << device;
    QTest::newRow("COM superscript") << QString(QStringLiteral("COM") + QChar(0x00B9)) << device;
    QTest::newRow("CONIN$") << "conin$" << device;
    QTest::newRow("too long") << QString(256, QLatin1Char('a')) << QStringLiteral("太长");
    QTest::newRow("too long in UTF-8") << QString(86, QChar(0x4E2D)) << QStringLiteral("太长");
}

void TestFolderName::refusesNamesThatAreNotOneFolder()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    const QString given = CommandMessages::folderNameReason(folderNameFault(name));
    QCOMPARE(given, reason);
    QVERIFY(!isSafeFolderName(name));
    // A mod's file names only have to fit Windows, whatever their length;
    // Windows takes DEL in a name too.
    QCOMPARE(isWindowsFileName(name),
             reason == QStringLiteral("太长") || name.endsWith(QChar(0x7F)));
}

void TestFolderName::acceptsOrdinaryNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "HoneySelect";
    QTest::newRow("inner blanks") << "My Game 2";
    QTest::newRow("leading blank") << " lead";
    QTest::newRow("chinese") << QStringLiteral("衣服 合集");
    QTest::newRow("inner dots") << "a.b..c";
    QTest::newRow("hidden") << ".config";
    QTest::newRow("device prefix only") << "CONSOLE";
    QTest::newRow("COM10") << "COM10";
    QTest::newRow("device later in name") << "my.CON";
    QTest::newRow("255 bytes") << QString(255, QLatin1Char('a'));
    QTest::newRow("85 chinese characters") << QString(85, QChar(0x4E2D));
    QTest::newRow("brackets and symbols") << "[mod] #1 (v2) & more=ok;";
}

void TestFolderName::acceptsOrdinaryNames()
{
    QFETCH(QString, name);
    QCOMPARE(folderNameFault(name), FolderNameFault::None);
    QVERIFY(isSafeFolderName(name));
    QVERIFY(isWindowsFileName(name));
}

QTEST_GUILESS_MAIN(TestFolderName)
#include "tst_foldername.moc"
