#include "config/gameinfo.h"
#include "config/gamesettings.h"
#include "platform/gameregistry.h"
#include "support/scopedwineprefix.h"
#include "support/testsupport.h"

#include <QDir>
#include <QSettings>
#include <QtTest>

#include <memory>

class TestGameInfo : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void gameListLeavesOutGlobal_data();
    void gameListLeavesOutGlobal();
    void gamePathPrefersSettingsOverRegistry_data();
    void gamePathPrefersSettingsOverRegistry();
    void gameNamesAndPathsSurviveTheFile_data();
    void gameNamesAndPathsSurviveTheFile();
    void removingOneGameKeepsTheOthers();
    void removingAnUnknownGameChangesNothing();
    void emptyGameNameTouchesNothing();
    void unwritableSettingsFileIsReported();
    void workspaceSettingsIgnoreTheWorkingDirectory_data();
    void workspaceSettingsIgnoreTheWorkingDirectory();

private:
    std::unique_ptr<ScopedWinePrefix> m_prefix;
};

// A Wine prefix whose registry names HoneySelect's folder, so that every test
// sees a registry value and never the machine's own ~/.wine.
void TestGameInfo::init()
{
    m_prefix.reset(new ScopedWinePrefix("WINE REGISTRY Version 2\n\n"
                                        "[Software\\\\illusion\\\\HoneySelect] 1700000000\n"
                                        "\"INSTALLDIR\"=\"C:\\\\HS\\\\\"\n"));
    QVERIFY(m_prefix->isValid());
    QVERIFY(QDir().mkpath(m_prefix->filePath(QStringLiteral("drive_c/HS"))));
}

void TestGameInfo::cleanup()
{
    m_prefix.reset();
}

void TestGameInfo::gameListLeavesOutGlobal_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("games");

    QTest::newRow("no file") << QByteArray() << QStringList();
    QTest::newRow("only Global") << QByteArray("[Global]\nBakPath=D:\\\\bak\n") << QStringList();
    QTest::newRow("Global and games")
        << QByteArray("[Global]\nSelect=PlayClub\n[HoneySelect]\nGamePath=a\n[PlayClub]\n"
                      "GamePath=b\n")
        << QStringList{"HoneySelect", "PlayClub"};
    QTest::newRow("games without Global")
        << QByteArray("[PlayClub]\nGamePath=b\n[HoneySelect]\nGamePath=a\n")
        << QStringList{"HoneySelect", "PlayClub"};
#ifdef Q_OS_WIN
    // Windows settings ignore the case of group names: [global] is [Global].
    QTest::newRow("other case of Global is Global")
        << QByteArray("[Global]\nSelect=x\n[global]\nGamePath=a\n") << QStringList{};
#else
    QTest::newRow("other case of Global is a game")
        << QByteArray("[Global]\nSelect=x\n[global]\nGamePath=a\n") << QStringList{"global"};
#endif
}

void TestGameInfo::gameListLeavesOutGlobal()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, games);
    ScopedWorkingDir dir;
    if (!ini.isEmpty()) {
        QVERIFY(TestFiles::write(dir.filePath("Veldane.ini"), ini));
    }
    QCOMPARE(GameInfo::gameList(), games);
}

void TestGameInfo::gamePathPrefersSettingsOverRegistry_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("game");
    QTest::addColumn<QString>("expected"); // "<registry>" for the prefix's folder

    QTest::newRow("settings win, folder missing")
        << QByteArray("[HoneySelect]\nGamePath=/nowhere/HS/\n") << "HoneySelect"
        << "/nowhere/HS/";
    QTest::newRow("empty GamePath falls back")
        << QByteArray("[HoneySelect]\nGamePath=\n") << "HoneySelect"
        << "<registry>";
    QTest::newRow("group without GamePath falls back")
        << QByteArray("[Global]\nSelect=HoneySelect\n") << "HoneySelect"
        << "<registry>";
    QTest::newRow("no file falls back") << QByteArray() << "HoneySelect"
                                        << "<registry>";
    QTest::newRow("neither source") << QByteArray("[Global]\nSelect=PlayClub\n") << "PlayClub"
                                    << "";
}

void TestGameInfo::gamePathPrefersSettingsOverRegistry()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, game);
    QFETCH(QString, expected);
    ScopedWorkingDir dir;
    if (!ini.isEmpty()) {
        QVERIFY(TestFiles::write(dir.filePath("Veldane.ini"), ini));
    }
#ifdef Q_OS_WIN
    // Windows reads its own registry, which the test leaves as it is; the
    // Wine prefix's file is for Linux only.
    if (expected.isEmpty() || expected == QLatin1String("<registry>")) {
        expected = GameRegistry::installDir(game);
    }
#else
    if (expected == QLatin1String("<registry>")) {
        expected = QDir::toNativeSeparators(m_prefix->path() + QStringLiteral("/drive_c/HS/"));
    }
#endif

    QCOMPARE(GameInfo::gamePath(game), expected);
    // The registry's answer is never written back.
    QCOMPARE(TestFiles::read(dir.filePath("Veldane.ini")), ini);
}

void TestGameInfo::gameNamesAndPathsSurviveTheFile_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<QString>("path");
    QTest::newRow("blanks") << "My Game 2"
                            << "/games/my game/";
    QTest::newRow("leading blank") << " Lead"
                                   << "/games/lead/";
    QTest::newRow("chinese") << QStringLiteral("恋爱 游戏") << QStringLiteral("/游戏/恋爱/");
    QTest::newRow("ini punctuation") << "a;b=c[d]#e%f"
                                     << "/x/";
    QTest::newRow("backslashes in path") << "HoneySelect"
                                         << "C:\\illusion\\HoneySelect\\";
}

void TestGameInfo::gameNamesAndPathsSurviveTheFile()
{
    QFETCH(QString, game);
    QFETCH(QString, path);
    ScopedWorkingDir dir;
    QVERIFY(GameInfo::setGamePath(QStringLiteral("PlayClub"), QStringLiteral("/pc/")));
    QVERIFY(GameInfo::setGamePath(game, path));

    // Read back from a copy of the file in another folder, so that nothing
    // comes from this process's cache of the first one.
    const QByteArray written = TestFiles::read(dir.filePath("Veldane.ini"));
    ScopedWorkingDir other;
    QVERIFY(TestFiles::write(other.filePath("Veldane.ini"), written));
    QStringList games = GameInfo::gameList();
    games.sort();
    QStringList expected{QStringLiteral("PlayClub"), game};
    expected.sort();
    QCOMPARE(games, expected);
    QCOMPARE(GameInfo::gamePath(game), path);
    QCOMPARE(GameInfo::gamePath(QStringLiteral("PlayClub")), QStringLiteral("/pc/"));
}

void TestGameInfo::removingOneGameKeepsTheOthers()
{
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(dir.filePath("Veldane.ini"),
                             "[Global]\nSelect=Honey\n[Honey]\nGamePath=/h/\n"
                             "[HoneySelect]\nGamePath=/hs/\n"));
    QVERIFY(GameInfo::removeGameSettings(QStringLiteral("Honey")));
    QCOMPARE(GameInfo::gameList(), QStringList{"HoneySelect"});
    QCOMPARE(GameInfo::gamePath(QStringLiteral("HoneySelect")), QStringLiteral("/hs/"));
    QSettings settings(GameInfo::settingsFile(), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("/Global/Select")).toString(), QStringLiteral("Honey"));
}

void TestGameInfo::removingAnUnknownGameChangesNothing()
{
    ScopedWorkingDir dir;
    const QByteArray ini = "[Global]\nSelect=HoneySelect\n\n[HoneySelect]\nGamePath=/hs/\n";
    QVERIFY(TestFiles::write(dir.filePath("Veldane.ini"), ini));
    QVERIFY(GameInfo::removeGameSettings(QStringLiteral("PlayClub")));
    QCOMPARE(GameInfo::gameList(), QStringList{"HoneySelect"});
    QCOMPARE(GameInfo::gamePath(QStringLiteral("HoneySelect")), QStringLiteral("/hs/"));
}

void TestGameInfo::emptyGameNameTouchesNothing()
{
    ScopedWorkingDir dir;
    // A top-level GamePath is what "//GamePath" would read and write.
    const QByteArray ini = "GamePath=/top/\n[HoneySelect]\nGamePath=/hs/\n";
    QVERIFY(TestFiles::write(dir.filePath("Veldane.ini"), ini));
    QCOMPARE(GameInfo::gamePath(QString()), QString());
    QVERIFY(!GameInfo::setGamePath(QString(), QStringLiteral("/x/")));
    QVERIFY(!GameInfo::removeGameSettings(QString()));
    QCOMPARE(TestFiles::read(dir.filePath("Veldane.ini")), ini);
}

void TestGameInfo::unwritableSettingsFileIsReported()
{
    ScopedWorkingDir dir;
    QVERIFY(QDir().mkdir(dir.filePath("Veldane.ini")));
    QVERIFY(!GameInfo::setGamePath(QStringLiteral("HoneySelect"), QStringLiteral("/hs/")));
    QVERIFY(QFileInfo(dir.filePath("Veldane.ini")).isDir());
}

void TestGameInfo::workspaceSettingsIgnoreTheWorkingDirectory_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("backupRoot"); // "@" stands for the workspace folder

    const QByteArray games = "[HoneySelect]\nGamePath=a\n[PlayClub]\nGamePath=b\n";
    QTest::newRow("selection and backup root")
        << "[Global]\nSelect=PlayClub\nBakPath=/bak\n" + games << "PlayClub"
        << "/bak/PlayClub";
    QTest::newRow("relative backup root lies in the workspace")
        << "[Global]\nSelect=PlayClub\nBakPath=bak\n" + games << "PlayClub"
        << "@/bak/PlayClub";
    QTest::newRow("default backup root") << "[Global]\nSelect=PlayClub\n" + games << "PlayClub"
                                         << "@/data/PlayClub";
    QTest::newRow("unsafe selection falls back to the list")
        << "[Global]\nSelect=../x\n" + games << "HoneySelect"
        << "@/data/HoneySelect";
    QTest::newRow("unsafe group skipped")
        << "[Global]\nSelect=\n[%2E%2E]\nGamePath=a\n" + games << "HoneySelect"
        << "@/data/HoneySelect";
    QTest::newRow("one game without Global") << QByteArray("[PlayClub]\nGamePath=b\n") << "PlayClub"
                                             << "@/data/PlayClub";
    QTest::newRow("no settings file") << QByteArray() << QString() << "@/data/";
}

void TestGameInfo::workspaceSettingsIgnoreTheWorkingDirectory()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, current);
    QFETCH(QString, backupRoot);

    ScopedWorkingDir decoy;
    const QByteArray decoyIni = "[Global]\nSelect=Decoy\nBakPath=/decoy\n[Decoy]\nGamePath=d\n";
    QVERIFY(TestFiles::write(decoy.filePath("Veldane.ini"), decoyIni));
    QTemporaryDir folder;
    if (!ini.isEmpty()) {
        QVERIFY(TestFiles::write(folder.filePath("Veldane.ini"), ini));
    }
    GameSettings settings{Workspace(folder.path())};
    QCOMPARE(settings.currentGame(), current);
    QCOMPARE(settings.backupRoot(current),
             QDir::toNativeSeparators(QString(backupRoot).replace("@", folder.path())));

    QVERIFY(settings.setSelectedGame("HoneySelect"));
    QVERIFY(settings.setGamePath("HoneySelect", "/games/hs/"));
    QCOMPARE(settings.currentGame(), QStringLiteral("HoneySelect"));
    QCOMPARE(settings.gamePath("HoneySelect"), QStringLiteral("/games/hs/"));
    QCOMPARE(TestFiles::read(decoy.filePath("Veldane.ini")), decoyIni);
}

QTEST_GUILESS_MAIN(TestGameInfo)
#include "tst_gameinfo.moc"
