#include "platform/gameregistry.h"
#include "platform/wineregistry.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestGameRegistry : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readsStringValues_data();
    void readsStringValues();
    void mapsWindowsPathsIntoThePrefix_data();
    void mapsWindowsPathsIntoThePrefix();
    void otherDriveFollowsItsDosdevicesLink();
    void installDirComesFromTheRegistry();
    void installDirFallsBackToHomeWine_data();
    void installDirFallsBackToHomeWine();
    void installDirIsEmptyWithoutPrefixKeyOrValue_data();
    void installDirIsEmptyWithoutPrefixKeyOrValue();

private:
    QByteArray m_prefix;
    QByteArray m_home;
    bool m_hadPrefix = false;
};

static const QByteArray header = "WINE REGISTRY Version 2\n"
                                 ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
                                 "\n"
                                 "#arch=win64\n"
                                 "\n";

static QByteArray honeySelectKey(const QByteArray &installDir)
{
    return "[Software\\\\illusion\\\\HoneySelect] 1700000000\n"
           "#time=1d9f0c2a4b6e8f0\n"
           "\"INSTALLDIR\"=\"" +
           installDir + "\"\n\n";
}

void TestGameRegistry::init()
{
    m_hadPrefix = qEnvironmentVariableIsSet("WINEPREFIX");
    m_prefix = qgetenv("WINEPREFIX");
    m_home = qgetenv("HOME");
}

void TestGameRegistry::cleanup()
{
    if (m_hadPrefix) {
        qputenv("WINEPREFIX", m_prefix);
    } else {
        qunsetenv("WINEPREFIX");
    }
    qputenv("HOME", m_home);
}

void TestGameRegistry::readsStringValues_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("expected");

    const QString key = QStringLiteral("Software\\illusion\\HoneySelect");
    const QString installDir = QStringLiteral("INSTALLDIR");
    QTest::newRow("escaped backslashes")
        << header + honeySelectKey("C:\\\\illusion\\\\HoneySelect\\\\") << key << installDir << true
        << QStringLiteral("C:\\illusion\\HoneySelect\\");
    QTest::newRow("key and value in another case")
        << header + honeySelectKey("D:\\\\HS") << QStringLiteral("SOFTWARE\\Illusion\\honeyselect")
        << QStringLiteral("InstallDir") << true << QStringLiteral("D:\\HS");
    QTest::newRow("non-ASCII, quote and C escapes")
        << header + honeySelectKey("C:\\\\\\x6e38\\x620f\\\\a\\\"b\\tc\\x41\\101") << key
        << installDir << true
        << QString(QStringLiteral("C:\\") + QChar(0x6E38) + QChar(0x620F) +
                   QStringLiteral("\\a\"b\tcAA"));
    QTest::newRow("short hex escape ends at a non-hex character")
        << header + honeySelectKey("\\xe9t\\x4e2d") << key << installDir << true
        << QString(QChar(0xE9) + QStringLiteral("t") + QChar(0x4E2D));
    QTest::newRow("expandable string")
        << header + "[Software\\\\illusion\\\\HoneySelect]\n\"INSTALLDIR\"=str(2):\"C:\\\\HS\"\n"
        << key << installDir << true << QStringLiteral("C:\\HS");
    QTest::newRow("value among others")
        << header + "[Software\\\\illusion\\\\HoneySelect] 1\n\"Version\"=dword:00000001\n"
                    "\"Path\"=\"C:\\\\wrong\"\n@=\"default\"\n\"INSTALLDIR\"=\"C:\\\\right\"\n"
        << key << installDir << true << QStringLiteral("C:\\right");
    QTest::newRow("missing key")
        << header + "[Software\\\\illusion\\\\PlayClub] 1\n\"INSTALLDIR\"=\"C:\\\\PC\"\n"
        << key << installDir << false << QString();
    QTest::newRow("value only in a subkey")
        << header + "[Software\\\\illusion\\\\HoneySelect] 1\n\"Other\"=\"x\"\n\n"
                    "[Software\\\\illusion\\\\HoneySelect\\\\Sub] 1\n\"INSTALLDIR\"=\"C:\\\\sub\"\n"
        << key << installDir << false << QString();
    QTest::newRow("value only in the key before")
        << header + "[Software\\\\illusion] 1\n\"INSTALLDIR\"=\"C:\\\\parent\"\n\n"
                    "[Software\\\\illusion\\\\HoneySelect] 1\n\"Other\"=\"x\"\n"
        << key << installDir << false << QString();
    QTest::newRow("number value")
        << header + "[Software\\\\illusion\\\\HoneySelect] 1\n\"INSTALLDIR\"=dword:00000001\n"
        << key << installDir << false << QString();
    QTest::newRow("binary value")
        << header + "[Software\\\\illusion\\\\HoneySelect] 1\n\"INSTALLDIR\"=hex:43,00,3a,00\n"
        << key << installDir << false << QString();
    QTest::newRow("unterminated string")
        << header + "[Software\\\\illusion\\\\HoneySelect] 1\n\"INSTALLDIR\"=\"C:\\\\HS\n"
        << key << installDir << false << QString();
    QTest::newRow("value name is a prefix")
        << header + "[Software\\\\illusion\\\\HoneySelect] 1\n\"INSTALLDIR2\"=\"C:\\\\x\"\n"
        << key << installDir << false << QString();
    QTest::newRow("empty file") << QByteArray() << key << installDir << false << QString();
}

void TestGameRegistry::readsStringValues()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, found);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("user.reg"));
    QVERIFY(TestFiles::write(file, content));
    bool wasFound = !found;
    QCOMPARE(WineRegistry::readString(file, key, value, &wasFound), expected);
    QCOMPARE(wasFound, found);
}

void TestGameRegistry::mapsWindowsPathsIntoThePrefix_data()
{
    QTest::addColumn<QString>("windowsPath");
    QTest::addColumn<QString>("expected"); // relative to the prefix, "" for none

    QTest::newRow("trailing backslash") << "C:\\illusion\\HoneySelect\\"
                                        << "drive_c/illusion/HoneySelect/";
    QTest::newRow("no trailing backslash") << "C:\\illusion\\HoneySelect"
                                           << "drive_c/illusion/HoneySelect/";
    QTest::newRow("lower-case drive, doubled and forward separators")
        << "c:/illusion\\\\HoneySelect"
        << "drive_c/illusion/HoneySelect/";
    QTest::newRow("case differs from the folders") << "C:\\ILLUSION\\honeyselect\\"
                                                   << "drive_c/illusion/HoneySelect/";
    QTest::newRow("folder not there yet") << "C:\\Games\\New\\"
                                          << "drive_c/Games/New/";
    QTest::newRow("drive root") << "C:\\"
                                << "drive_c/";
    QTest::newRow("parent folders stay on the drive") << "C:\\..\\illusion\\..\\..\\Games\\"
                                                      << "drive_c/Games/";
    QTest::newRow("drive without a link") << "E:\\Games\\"
                                          << "";
    QTest::newRow("no drive letter") << "\\\\server\\share\\HS"
                                     << "";
    QTest::newRow("relative") << "illusion\\HoneySelect"
                              << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestGameRegistry::mapsWindowsPathsIntoThePrefix()
{
    QFETCH(QString, windowsPath);
    QFETCH(QString, expected);

    QTemporaryDir prefix;
    QVERIFY(QDir().mkpath(prefix.filePath(QStringLiteral("drive_c/illusion/HoneySelect"))));
    const QString result = WineRegistry::folderForWindowsPath(prefix.path(), windowsPath);
    if (expected.isEmpty()) {
        QCOMPARE(result, QString());
    } else {
        const QString wanted =
            QDir::toNativeSeparators(prefix.path() + QLatin1Char('/') + expected);
#ifdef Q_OS_WIN
        // Names ignore case there: either spelling is the same folder.
        QVERIFY2(result.compare(wanted, Qt::CaseInsensitive) == 0, qPrintable(result));
#else
        QCOMPARE(result, wanted);
#endif
    }
}

void TestGameRegistry::otherDriveFollowsItsDosdevicesLink()
{
#ifdef Q_OS_WIN
    QSKIP("a prefix's drives are symbolic links of Linux; Windows cannot name the link d:");
#endif
    QTemporaryDir prefix;
    QTemporaryDir drive;
    QVERIFY(QDir().mkpath(drive.filePath(QStringLiteral("Games/PlayClub"))));
    QVERIFY(QDir().mkpath(prefix.filePath(QStringLiteral("dosdevices"))));
    QVERIFY(QFile::link(drive.path(), prefix.filePath(QStringLiteral("dosdevices/d:"))));

    QCOMPARE(
        WineRegistry::folderForWindowsPath(prefix.path(), QStringLiteral("D:\\games\\PlayClub")),
        QDir::toNativeSeparators(drive.path() + QStringLiteral("/Games/PlayClub/")));
}

void TestGameRegistry::installDirComesFromTheRegistry()
{
#ifdef Q_OS_WIN
    // The user's own registry, under a game name no installer uses; the value
    // goes again at the end.
    const QString game = QStringLiteral("Veldane test %1").arg(QCoreApplication::applicationPid());
    const QString folder = QStringLiteral("C:\\游戏\\%1\\").arg(game);
    QSettings registry(QStringLiteral("HKEY_CURRENT_USER\\Software\\illusion"),
                       QSettings::NativeFormat);
    registry.setValue(game + QStringLiteral("/INSTALLDIR"), folder);
    registry.sync();
    const QString found = GameRegistry::installDir(game);
    registry.remove(game);
    registry.sync();
    QCOMPARE(found, folder);
    QCOMPARE(GameRegistry::installDir(game), QString());
#else
    // Linux reads the Wine prefix's user.reg.
    QTemporaryDir prefix;
    QTemporaryDir home;
    QVERIFY(QDir().mkpath(prefix.filePath(QStringLiteral("drive_c/illusion/HoneySelect"))));
    QVERIFY(TestFiles::write(prefix.filePath(QStringLiteral("user.reg")),
                             header + honeySelectKey("C:\\\\illusion\\\\HoneySelect\\\\")));
    // A different value in ~/.wine must not be used while WINEPREFIX is set.
    QVERIFY(TestFiles::write(home.filePath(QStringLiteral(".wine/user.reg")),
                             header + honeySelectKey("C:\\\\other\\\\")));
    QVERIFY(QDir().mkpath(home.filePath(QStringLiteral(".wine/drive_c/other"))));
    qputenv("WINEPREFIX", QFile::encodeName(prefix.path()));
    qputenv("HOME", QFile::encodeName(home.path()));

    QCOMPARE(
        GameRegistry::installDir(QStringLiteral("HoneySelect")),
        QDir::toNativeSeparators(prefix.path() + QStringLiteral("/drive_c/illusion/HoneySelect/")));
    QCOMPARE(GameRegistry::installDir(QStringLiteral("PlayClub")), QString());
#endif
}

void TestGameRegistry::installDirFallsBackToHomeWine_data()
{
    QTest::addColumn<bool>("unset");
    QTest::newRow("WINEPREFIX unset") << true;
    QTest::newRow("WINEPREFIX empty") << false;
}

void TestGameRegistry::installDirFallsBackToHomeWine()
{
#ifdef Q_OS_WIN
    QSKIP("Windows reads its own registry, never a Wine prefix");
#endif
    QFETCH(bool, unset);
    QTemporaryDir home;
    QVERIFY(QDir().mkpath(home.filePath(QStringLiteral(".wine/drive_c/HS"))));
    QVERIFY(TestFiles::write(home.filePath(QStringLiteral(".wine/user.reg")),
                             header + honeySelectKey("c:\\\\hs")));
    if (unset) {
        qunsetenv("WINEPREFIX");
    } else {
        qputenv("WINEPREFIX", QByteArray());
    }
    qputenv("HOME", QFile::encodeName(home.path()));

    QCOMPARE(GameRegistry::installDir(QStringLiteral("HoneySelect")),
             QDir::toNativeSeparators(home.path() + QStringLiteral("/.wine/drive_c/HS/")));
}

void TestGameRegistry::installDirIsEmptyWithoutPrefixKeyOrValue_data()
{
    QTest::addColumn<QByteArray>("userReg"); // "" writes no file
    QTest::newRow("no prefix") << QByteArray();
    QTest::newRow("no key") << header + "[Software\\\\illusion] 1\n\"x\"=\"y\"\n";
    QTest::newRow("no value")
        << header + "[Software\\\\illusion\\\\HoneySelect] 1\n\"Version\"=\"1.0\"\n";
    QTest::newRow("empty value") << header + honeySelectKey("");
}

void TestGameRegistry::installDirIsEmptyWithoutPrefixKeyOrValue()
{
#ifdef Q_OS_WIN
    QSKIP("Windows reads its own registry, never a Wine prefix");
#endif
    QFETCH(QByteArray, userReg);
    QTemporaryDir prefix;
    QVERIFY(QDir().mkpath(prefix.filePath(QStringLiteral("drive_c"))));
    if (!userReg.isEmpty()) {
        QVERIFY(TestFiles::write(prefix.filePath(QStringLiteral("user.reg")), userReg));
    }
    qputenv("WINEPREFIX", QFile::encodeName(prefix.path()));
    QCOMPARE(GameRegistry::installDir(QStringLiteral("HoneySelect")), QString());
}

QTEST_GUILESS_MAIN(TestGameRegistry)
#include "tst_gameregistry.moc"
