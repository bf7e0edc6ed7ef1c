#include "log/ceasylog.h"
#include "support/testsupport.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

class TestCEasyLog : public QObject
{
    Q_OBJECT

private slots:
    void firstLineCreatesFolderAndFile();
    void secondLineAppends();
    void logFolderReplacedByFileIsHarmless();
};

static QStringList lines(const QString &path)
{
    QString text = QString::fromLocal8Bit(TestFiles::read(path));
#ifdef Q_OS_WIN
    // The log is a text file: Windows line ends, for Notepad.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
    if (text.endsWith('\n')) {
        text.chop(1);
    }
    return text.split('\n');
}

void TestCEasyLog::firstLineCreatesFolderAndFile()
{
    ScopedWorkingDir dir;
    const QString name = QDate::currentDate().toString("yyyy-M-d") + ".log";
    QCOMPARE(CEasyLog::todayFilePath(), QStringLiteral("log") + QDir::separator() + name);
    QVERIFY(!QDir("log").exists());

    CEasyLog::instance()->write("[InstallFileError]:/mods/coat/abdata/coat.unity3d");

    QVERIFY(QFile::exists(dir.filePath("log/" + name)));
    const QStringList written = lines(dir.filePath("log/" + name));
    QCOMPARE(written.size(), 1);
    QVERIFY(QRegularExpression("^\\d{4}-\\d{1,2}-\\d{1,2} \\d\\d:\\d\\d:\\d\\d\\t"
                               "\\[InstallFileError\\]:/mods/coat/abdata/coat.unity3d$")
                .match(written.first())
                .hasMatch());
}

void TestCEasyLog::secondLineAppends()
{
    ScopedWorkingDir dir;
    CEasyLog::instance()->write("first");
    const QByteArray before = TestFiles::read(CEasyLog::todayFilePath());
    CEasyLog::instance()->write("second\twith tab\nand a break");

    const QByteArray after = TestFiles::read(CEasyLog::todayFilePath());
    QVERIFY(after.startsWith(before));
    const QStringList written = lines(CEasyLog::todayFilePath());
    QCOMPARE(written.size(), 3);
    QVERIFY(written.at(0).endsWith("\tfirst"));
    QVERIFY(written.at(1).endsWith("\tsecond\twith tab"));
    QCOMPARE(written.at(2), QStringLiteral("and a break"));
}

void TestCEasyLog::logFolderReplacedByFileIsHarmless()
{
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(dir.filePath("log"), "not a folder"));

    CEasyLog::instance()->write("dropped");
    CEasyLog::instance()->write("dropped again");

    QCOMPARE(TestFiles::read(dir.filePath("log")), QByteArray("not a folder"));
}

QTEST_GUILESS_MAIN(TestCEasyLog)
#include "tst_ceasylog.moc"
