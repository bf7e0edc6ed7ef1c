// Commands killed part way, in a process of their own, and the start after:
// whatever the moment, the next start and the plain user steps give back the
// game exactly as it was, with no backup or kept copy left behind.

#include "catalogue/modcfg.h"
#include "deploy/gamelayout.h"
#include "deploy/journal.h"
#include "deploy/modcommands.h"
#include "gui/mainwindow.h"
#include "state/gamelock.h"
#include "state/statedatabase.h"
#include "support/modalanswerer.h"
#include "support/sandbox.h"
#include "support/testarchive.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QThread>
#include <QtTest>

using FileMap = QMap<QString, QByteArray>;
Q_DECLARE_METATYPE(RecoveryReport::Step::Kind)

// What becomes of one source file between the kill and the next start.
enum class Cut
{
    None,
    Deleted,
    Shorter,
    Longer
};
Q_DECLARE_METATYPE(Cut)

namespace {

const QString kGame = QStringLiteral("HoneySelect");

// A game of 30 files; mod A replaces 20 of them and adds 20, mod B lies
// under A on ten replaced and ten added files, so uninstalling B hands its
// backups up to A.
class CrashGame
{
public:
    // The sandbox is the working folder: the paths below are relative to it.
    CrashGame() : m_box(Sandbox::WithCatalogue, kGame)
    {
        QSettings settings(QStringLiteral("Veldane.ini"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Global/BakPath"), path(QStringLiteral("data")));
        settings.sync();
        for (int i = 0; i < 30; ++i) {
            TestFiles::write(gameFile(i), "game " + QByteArray(100 + 37 * i, char('a' + i % 26)));
        }
        for (int i = 0; i < 40; ++i) {
            TestFiles::write(source(QStringLiteral("A"), i), "A " + QByteArray(50 + i, 'x'));
        }
        for (int i = 10; i < 30; ++i) {
            TestFiles::write(source(QStringLiteral("B"), i), "B " + QByteArray(70 + i, 'y'));
        }
        original = TestFiles::fileSnapshot(path(QStringLiteral("game")));
    }

    static QString path(const QString &relative) { return QDir::current().filePath(relative); }
    static QString gameFile(int i) { return path(QStringLiteral("game/abdata/g/f%1.txt").arg(i)); }
    static QString source(const QString &mod, int i = -1)
    {
        const QString root = path(QStringLiteral("src/") + mod);
        return i < 0 ? root : root + QStringLiteral("/abdata/g/f%1.txt").arg(i);
    }
    static GameLayout layout()
    {
        return GameLayout(QDir::toNativeSeparators(path(QStringLiteral("game"))) +
                              QDir::separator(),
                          QDir::toNativeSeparators(path(QStringLiteral("data/HoneySelect"))),
                          path(QStringLiteral("mod/HoneySelect")));
    }

    // Brings the game to the state before the command of `scenario` and
    // returns the helper's arguments for that command.
    static QStringList prepare(const QString &scenario)
    {
        ModCfg catalogue;
        catalogue.setGame(kGame);
        ModCommands commands(catalogue, layout());
        commands.setSyncing(false);
        if (scenario == QLatin1String("install")) {
            return {QStringLiteral("install"), QStringLiteral("A"), source(QStringLiteral("A"))};
        }
        if (scenario == QLatin1String("archive")) {
            // Mod A packed in a folder of its own, as most downloads are.
            QList<TestArchive::Entry> entries;
            for (int i = 0; i < 40; ++i) {
                entries << TestArchive::file(QStringLiteral("A v2/abdata/g/f%1.txt").arg(i),
                                             TestFiles::read(source(QStringLiteral("A"), i)));
            }
            const QString archive = path(QStringLiteral("src/A v2.zip"));
            TestArchive::write(archive, TestArchive::Format::Zip, entries);
            return {QStringLiteral("install"), QStringLiteral("A"), archive};
        }
        if (scenario == QLatin1String("handdown")) {
            commands.install(source(QStringLiteral("B")), QStringLiteral("B"));
            commands.install(source(QStringLiteral("A")), QStringLiteral("A"));
            return {QStringLiteral("uninstall"), QStringLiteral("B")};
        }
        commands.install(source(QStringLiteral("A")), QStringLiteral("A"));
        if (scenario == QLatin1String("reinstall")) {
            commands.uninstall(QStringLiteral("A"));
        }
        return {scenario, QStringLiteral("A")};
    }

    // What a user does after the start: uninstall what is shown installed,
    // then remove every mod.
    static void plainUserSteps()
    {
        ModCfg catalogue;
        catalogue.setGame(kGame);
        ModCommands commands(catalogue, layout());
        for (const QString &mod : catalogue.m_mods.keys()) {
            if (catalogue.m_mods.value(mod).install != 0) {
                QVERIFY(commands.uninstall(mod).clean());
            }
        }
        for (const QString &mod : catalogue.m_mods.keys()) {
            QVERIFY(commands.remove(mod).clean());
        }
        QVERIFY(catalogue.m_mods.isEmpty());
    }

    void verifyAsBefore() const
    {
        QCOMPARE(TestFiles::fileSnapshot(path(QStringLiteral("game"))), original);
        QCOMPARE(TestFiles::fileSnapshot(path(QStringLiteral("data"))), FileMap());
        QCOMPARE(TestFiles::fileSnapshot(path(QStringLiteral("mod"))), FileMap());
    }

    // The same mod installs and uninstalls cleanly again.
    void verifyUsable() const
    {
        ModCfg catalogue;
        catalogue.setGame(kGame);
        ModCommands commands(catalogue, layout());
        const CommandReport report =
            commands.install(source(QStringLiteral("A")), QStringLiteral("A"));
        QVERIFY2(report.clean(), qPrintable(QStringLiteral("outcome %1 failed %2 left %3")
                                                .arg(report.outcome)
                                                .arg(report.failed)
                                                .arg(report.leftAlone)));
        QCOMPARE(TestFiles::read(gameFile(5)), TestFiles::read(source(QStringLiteral("A"), 5)));
        QVERIFY(commands.uninstall(QStringLiteral("A")).clean());
        QVERIFY(commands.remove(QStringLiteral("A")).clean());
        verifyAsBefore();
    }

private:
    Sandbox m_box;

public:
    FileMap original;
};

// Starts the helper and returns once it is about to run its command.
bool startHelper(QProcess &helper, const QStringList &arguments, const QByteArray &crashAt = {},
                 int sleepUs = 0)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VELDANE_CRASH_SLEEP_US"), QString::number(sleepUs));
    if (!crashAt.isEmpty()) {
        environment.insert(QStringLiteral("VELDANE_CRASH_AT"), QString::fromLatin1(crashAt));
    }
    helper.setProcessEnvironment(environment);
    helper.start(QStringLiteral(VELDANE_CRASHHELPER), QStringList{QDir::currentPath()} + arguments);
    while (!helper.canReadLine()) {
        if (!helper.waitForReadyRead(10000)) {
            return false;
        }
    }
    return helper.readLine().trimmed() == "ready";
}

// Kills the helper with SIGKILL once it has reported `step` progress steps
// (0: right away), a random moment later within the work of the next file.
void killAt(QProcess &helper, int step, QRandomGenerator &random)
{
    int reached = 0;
    while (reached < step && helper.state() == QProcess::Running) {
        if (!helper.canReadLine() && !helper.waitForReadyRead(200)) {
            continue;
        }
        reached += helper.readLine().startsWith("step ") ? 1 : 0;
    }
    QThread::usleep(random.bounded(4000));
    helper.kill();
    helper.waitForFinished(10000);
}

bool journalEmpty()
{
    ModCfg catalogue;
    catalogue.setGame(kGame);
    return Journal(catalogue.m_cfgPath).unfinished().isEmpty();
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

private slots:
    void killedCommandRecovers_data();
    void killedCommandRecovers();
    void replayRules_data();
    void replayRules();
    void unwritableCatalogueMovesNothing_data();
    void unwritableCatalogueMovesNothing();
    void secondProcessIsRefused();
    void unreadableJournalIsSetAside_data();
    void unreadableJournalIsSetAside();
    void damagedJournalEntryIsRefused_data();
    void damagedJournalEntryIsRefused();
    void failedCopyAfterBackupPutsOriginalBack_data();
    void failedCopyAfterBackupPutsOriginalBack();
};

void TestCrashSafety::killedCommandRecovers_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<int>("steps"); // progress steps the command reports
    QTest::addColumn<int>("kills");
    QTest::addColumn<bool>("killRecovery");
    QTest::newRow("install") << "install" << 41 << 9 << false;
    // About 40 unpack steps, then 41 install steps.
    QTest::newRow("archive install") << "archive" << 81 << 9 << false;
    QTest::newRow("uninstall") << "uninstall" << 40 << 9 << false;
    QTest::newRow("reinstall") << "reinstall" << 40 << 9 << false;
    QTest::newRow("removal") << "remove" << 40 << 9 << false;
    QTest::newRow("hand-down") << "handdown" << 20 << 9 << false;
    QTest::newRow("recovery killed too") << "handdown" << 20 << 4 << true;
}

// Seeded kill moments across each command; every fourth start goes through
// the window's own set-up.
void TestCrashSafety::killedCommandRecovers()
{
    QFETCH(QString, scenario);
    QFETCH(int, steps);
    QFETCH(int, kills);
    QFETCH(bool, killRecovery);
    QRandomGenerator random(qHash(scenario) + kills);
    int interrupted = 0;
    for (int kill = 0; kill < kills; ++kill) {
        CrashGame game;
        const QStringList arguments = CrashGame::prepare(scenario);
        QProcess helper;
        QVERIFY(startHelper(helper, arguments, {}, 3000));
        killAt(helper, random.bounded(steps), random);
        interrupted += journalEmpty() ? 0 : 1;
        if (killRecovery) {
            for (int again = 0; again < 2 && !journalEmpty(); ++again) {
                QProcess recovery;
                QVERIFY(startHelper(recovery, {QStringLiteral("recover"), QStringLiteral("A")}, {},
                                    3000));
                killAt(recovery, random.bounded(20), random);
            }
        }

        const bool unfinished = !journalEmpty();
        if (kill % 4 == 0) {
            ModalAnswerer answerer;
            if (unfinished) {
                answerer.expect(ModalAnswerer::pressButton());
            }
            MainWindow window;
            QVERIFY(window.isReady());
            QVERIFY(answerer.waitUntilAnswered());
            QVERIFY(answerer.unexpected().isEmpty());
            if (unfinished) {
                QVERIFY2(answerer.messages().value(0).contains(
                             QStringLiteral("上次的操作被中断，已自动完成：")),
                         qPrintable(answerer.messages().value(0)));
            }
        } else {
            ModCfg catalogue;
            catalogue.setGame(kGame);
            ModCommands(catalogue, CrashGame::layout()).recover();
        }
        QVERIFY(journalEmpty());
        CrashGame::plainUserSteps();
        game.verifyAsBefore();
        game.verifyUsable();
        if (QTest::currentTestFailed()) {
            qWarning("failed after kill %d", kill);
            return;
        }
    }
    // Most kills must land inside the command, not before or after it.
    QVERIFY2(interrupted * 2 > kills, qPrintable(QString::number(interrupted)));
}

void TestCrashSafety::replayRules_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QByteArray>("crashAt");
    QTest::addColumn<Cut>("sourceCut");
    QTest::addColumn<RecoveryReport::Step::Kind>("finished");
    QTest::addColumn<QStringList>("installedAfter");

    using Step = RecoveryReport::Step;
    const QStringList a{QStringLiteral("A")};
    const QStringList none;
    // "range": the entry is written, no file has moved yet.
    QTest::newRow("install before its backups: forward")
        << "install" << QByteArray("range") << Cut::None << Step::Installed << a;
    QTest::newRow("install before its backups, source cut: undone")
        << "install" << QByteArray("range") << Cut::Deleted << Step::InstallUndone << none;
    QTest::newRow("install half copied: forward")
        << "install" << QByteArray("12") << Cut::None << Step::Installed << a;
    QTest::newRow("install half copied, source cut: undone")
        << "install" << QByteArray("12") << Cut::Deleted << Step::InstallUndone << none;
    // An archive: "range" is the start of its unpacking, "1000" its end, before
    // the install's own entry; the unpack's progress never reports 12.
    QTest::newRow("archive before unpacking: undone")
        << "archive" << QByteArray("range") << Cut::None << Step::InstallUndone << none;
    QTest::newRow("archive unpacked, install not begun: undone")
        << "archive" << QByteArray("1000") << Cut::None << Step::InstallUndone << none;
    QTest::newRow("archive half copied from its kept copy: forward")
        << "archive" << QByteArray("12") << Cut::None << Step::Installed << a;
    QTest::newRow("archive half copied, kept copy cut: undone")
        << "archive" << QByteArray("12") << Cut::Deleted << Step::InstallUndone << none;
    QTest::newRow("reinstall half copied: forward")
        << "reinstall" << QByteArray("12") << Cut::None << Step::Installed << a;
    QTest::newRow("reinstall half copied, kept copy cut: undone")
        << "reinstall" << QByteArray("12") << Cut::Deleted << Step::InstallUndone << none;
    // A file cut short or grown since the entry was written is no more the
    // one recorded than a deleted one.
    QTest::newRow("install half copied, source shorter: undone")
        << "install" << QByteArray("12") << Cut::Shorter << Step::InstallUndone << none;
    QTest::newRow("install before its backups, source longer: undone")
        << "install" << QByteArray("range") << Cut::Longer << Step::InstallUndone << none;
    QTest::newRow("archive half copied, kept copy longer: undone")
        << "archive" << QByteArray("12") << Cut::Longer << Step::InstallUndone << none;
    QTest::newRow("reinstall half copied, kept copy shorter: undone")
        << "reinstall" << QByteArray("12") << Cut::Shorter << Step::InstallUndone << none;
    QTest::newRow("uninstall before its first file: forward")
        << "uninstall" << QByteArray("range") << Cut::None << Step::Uninstalled << none;
    QTest::newRow("uninstall half done: forward")
        << "uninstall" << QByteArray("12") << Cut::None << Step::Uninstalled << none;
    QTest::newRow("removal half done: forward")
        << "remove" << QByteArray("12") << Cut::None << Step::Removed << none;
    QTest::newRow("hand-down half done: forward")
        << "handdown" << QByteArray("5") << Cut::None << Step::Uninstalled << a;
}

void TestCrashSafety::replayRules()
{
    QFETCH(QString, scenario);
    QFETCH(QByteArray, crashAt);
    QFETCH(Cut, sourceCut);
    QFETCH(RecoveryReport::Step::Kind, finished);
    QFETCH(QStringList, installedAfter);

    CrashGame game;
    QProcess helper;
    QVERIFY(startHelper(helper, CrashGame::prepare(scenario), crashAt));
    QVERIFY(helper.waitForFinished(10000));
    QCOMPARE(helper.exitCode(), 9);
    const QString cut = scenario == QLatin1String("install")
                            ? CrashGame::source(QStringLiteral("A"), 30)
                            : CrashGame::path(QStringLiteral("mod/HoneySelect/A/abdata/g/f30.txt"));
    if (sourceCut == Cut::Deleted) {
        QVERIFY(QFile::remove(cut));
    } else if (sourceCut != Cut::None) {
        const QByteArray content = TestFiles::read(cut);
        QVERIFY(TestFiles::write(cut, sourceCut == Cut::Shorter ? content.left(5) : content + "+"));
    }

    ModCfg catalogue;
    catalogue.setGame(kGame);
    const RecoveryReport report = ModCommands(catalogue, CrashGame::layout()).recover();
    QCOMPARE(report.steps.size(), 1);
    QCOMPARE(report.steps.at(0).kind, finished);
    QCOMPARE(report.failed, 0);
    QStringList installed;
    for (auto it = catalogue.m_mods.cbegin(); it != catalogue.m_mods.cend(); ++it) {
        if (it->install != 0) {
            installed << it.key();
        }
    }
    QCOMPARE(installed, installedAfter);
    if (installedAfter.isEmpty()) {
        QCOMPARE(TestFiles::fileSnapshot(CrashGame::path(QStringLiteral("game"))), game.original);
    } else {
        QCOMPARE(TestFiles::read(CrashGame::gameFile(25)),
                 TestFiles::read(CrashGame::source(QStringLiteral("A"), 25)));
    }
    QVERIFY(journalEmpty());
    CrashGame::plainUserSteps();
    game.verifyAsBefore();
}

void TestCrashSafety::unwritableCatalogueMovesNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("uninstalledFirst");
    QTest::addColumn<bool>("folderInPlace");
    QTest::newRow("uninstall, damaged") << "uninstall" << false << false;
    QTest::newRow("uninstall, folder in its place") << "uninstall" << false << true;
    QTest::newRow("removal, damaged") << "remove" << false << false;
    QTest::newRow("removal, folder in its place") << "remove" << false << true;
    QTest::newRow("removal of an uninstalled mod") << "remove" << true << false;
}

void TestCrashSafety::unwritableCatalogueMovesNothing()
{
    QFETCH(QString, command);
    QFETCH(bool, uninstalledFirst);
    QFETCH(bool, folderInPlace);
    CrashGame game;
    ModCfg catalogue;
    catalogue.setGame(kGame);
    ModCommands commands(catalogue, CrashGame::layout());
    QVERIFY(commands.install(CrashGame::source(QStringLiteral("A")), QStringLiteral("A")).clean());
    if (uninstalledFirst) {
        // A backup left by a failed restore must survive the failed removal.
        QVERIFY(commands.uninstall(QStringLiteral("A")).clean());
        TestFiles::write(CrashGame::path(QStringLiteral("data/HoneySelect/abdata/g/f1.txt")),
                         "left");
    }
    const QString cfg = catalogue.m_cfgPath;
    const QByteArray saved = TestFiles::read(cfg);
    QVERIFY(QFile::remove(cfg));
    if (folderInPlace) {
        QVERIFY(QDir().mkdir(cfg));
    } else {
        TestFiles::write(cfg, saved.left(saved.size() / 2));
    }
    // The log and the state database may change; nothing else may.
    const auto everything = [] {
        FileMap files = TestFiles::snapshot(CrashGame::path(QString()));
        for (auto it = files.begin(); it != files.end();) {
            it = it.key().startsWith(QLatin1String("log/")) ||
                         it.key().startsWith(QLatin1String("config/HoneySelect.db"))
                     ? files.erase(it)
                     : std::next(it);
        }
        return files;
    };
    const FileMap before = everything();

    const CommandReport report = command == QLatin1String("uninstall")
                                     ? commands.uninstall(QStringLiteral("A"))
                                     : commands.remove(QStringLiteral("A"));
    QCOMPARE(report.outcome, CommandReport::CatalogueFailed);
    QCOMPARE(everything(), before);
    QVERIFY(journalEmpty());
}

// A second process waits for the first, then refuses and changes nothing.
void TestCrashSafety::unreadableJournalIsSetAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("not a database") << QByteArray(600, 'x');
    // SQLite alone would take it for a new database and write over it.
    QTest::newRow("shorter than a header") << QByteArray("SQLite format 2");
    // Found by fuzzing; the first passes the opening statements and fails
    // only when its rows are read.
    const QString found =
        QStringLiteral(VELDANE_SOURCE_DIR "/tests/fuzz/regressions/statedatabase/");
    QTest::newRow("damaged rows") << TestFiles::read(found + "damaged-rows.db");
    // Its entries would never be read back or removed.
    QTest::newRow("journal of other columns") << TestFiles::read(found + "other-columns.db");
    QTest::newRow("damaged schema takes no entry") << TestFiles::read(found + "takes-no-entry.db");
}

void TestCrashSafety::unreadableJournalIsSetAside()
{
    QFETCH(QByteArray, content);
    QVERIFY(!content.isEmpty());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("HoneySelect.db"));
    QVERIFY(TestFiles::write(path, content));
    QVERIFY(TestFiles::write(path + ".unreadable", "set aside before"));
    {
        StateDatabase database(path);
        QVERIFY(database.addEntry("entry") != 0);
    }
    QCOMPARE(TestFiles::read(path + ".unreadable"), QByteArray("set aside before"));
    QCOMPARE(TestFiles::read(path + ".unreadable-2"), content);
    StateDatabase reopened(path);
    QCOMPARE(reopened.entries().size(), 1);
}

void TestCrashSafety::damagedJournalEntryIsRefused_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("readable");
    JournalEntry entry;
    entry.mod = QStringLiteral("A");
    entry.files = {PlannedFile()};
    entry.sizes = {1};
    entry.backupExisted = {false};
    const QByteArray whole = Journal::encode(entry);
    QTest::newRow("whole") << whole << true;
    QTest::newRow("cut short") << whole.left(whole.size() - 3) << false;
    // Found by fuzzing: asked for gigabytes before reading the first element.
    QTest::newRow("list count far beyond the entry")
        << TestFiles::read(VELDANE_SOURCE_DIR
                           "/tests/fuzz/regressions/statedatabase/huge-count.payload")
        << false;
}

void TestCrashSafety::damagedJournalEntryIsRefused()
{
    QFETCH(QByteArray, payload);
    QFETCH(bool, readable);
    QVERIFY(!payload.isEmpty());
    JournalEntry entry;
    QCOMPARE(Journal::decode(payload, entry), readable);
}

void TestCrashSafety::secondProcessIsRefused()
{
    CrashGame game;
    const QStringList arguments = CrashGame::prepare(QStringLiteral("uninstall"));
    const FileMap installed = TestFiles::fileSnapshot(CrashGame::path(QStringLiteral("game")));
    ModCfg catalogue;
    catalogue.setGame(kGame);
    {
        GameLock lock(catalogue.m_cfgPath);
        QVERIFY(lock.acquire());
        QProcess helper;
        QVERIFY(startHelper(helper, arguments));
        QVERIFY(helper.waitForFinished(10000));
        QCOMPARE(helper.readAll().trimmed(), QByteArray("outcome ") +
                                                 QByteArray::number(int(CommandReport::GameBusy)) +
                                                 " failed 0");
        QCOMPARE(TestFiles::fileSnapshot(CrashGame::path(QStringLiteral("game"))), installed);
    }

    // A lock file that names no owner (its maker killed before writing its
    // id) is taken over after the wait; so is a dead owner's lock while the
    // file QLockFile holds to remove such locks names nobody.
    const QString lock = GameLock::pathForCatalogue(catalogue.m_cfgPath);
    QVERIFY(TestFiles::write(lock, QByteArray()));
    QVERIFY(ModCommands(catalogue, CrashGame::layout()).uninstall(QStringLiteral("A")).clean());
    // QLockFile names this machine by its host name, on Windows by COMPUTERNAME.
#ifdef Q_OS_WIN
    const QByteArray machine = qgetenv("COMPUTERNAME");
#else
    const QByteArray machine = QSysInfo::machineHostName().toUtf8();
#endif
    QVERIFY(TestFiles::write(lock, "2147483646\nveldane\n" + machine + "\n"));
    QVERIFY(TestFiles::write(lock + ".rmlock", QByteArray()));
    QVERIFY(ModCommands(catalogue, CrashGame::layout()).reinstall(QStringLiteral("A")).clean());
}

// A replaced game file becomes its backup by a rename; when the mod's file
// then cannot be copied, the original goes back and the backup stays.
void TestCrashSafety::failedCopyAfterBackupPutsOriginalBack_data()
{
    // Where the backups go: on the game's volume the game file itself is
    // moved there; on another file system (a tmpfs, another drive) it is copied.
    QTest::addColumn<bool>("otherVolume");
    QTest::newRow("backup by rename") << false;
    QTest::newRow("backup copied to another file system") << true;
}

void TestCrashSafety::failedCopyAfterBackupPutsOriginalBack()
{
    QFETCH(bool, otherVolume);
    CrashGame game;
    const QString volume = TestFiles::otherVolume();
    if (otherVolume && volume.isEmpty()) {
        QSKIP("no other file system (Linux: /dev/shm; Windows: VELDANE_TEST_OTHER_DRIVE)");
    }
    QTemporaryDir elsewhere(otherVolume ? volume + "/veldane-XXXXXX"
                                        : CrashGame::path(QStringLiteral("elsewhere-XXXXXX")));
    GameLayout layout = CrashGame::layout();
    QString backupRoot = CrashGame::path(QStringLiteral("data/HoneySelect"));
    if (otherVolume) {
        QVERIFY(elsewhere.isValid());
        backupRoot = elsewhere.path();
        layout = GameLayout(layout.gamePath(), backupRoot, layout.modStore());
    }
    const auto fileId = &TestFiles::fileId;
    const auto original5 = fileId(CrashGame::gameFile(5));
    const auto original6 = fileId(CrashGame::gameFile(6));
    ModCfg catalogue;
    catalogue.setGame(kGame);
    CommandProgress progress;
    progress.setValue = [](int value) {
        if (value == 1) {
            QFile::remove(CrashGame::source(QStringLiteral("A"), 5));
        }
    };
    ModCommands commands(catalogue, layout, progress);
    const CommandReport report =
        commands.install(CrashGame::source(QStringLiteral("A")), QStringLiteral("A"));
    QCOMPARE(report.failed, 2); // the copy into the game and the one into the kept copy
    QCOMPARE(TestFiles::read(CrashGame::gameFile(5)), game.original.value("abdata/g/f5.txt"));
    // Every other replaced file has its backup, the game's own file where the
    // volume allows a rename, else a copy of it.
    const QString backup6 = backupRoot + QStringLiteral("/A/abdata/g/f6.txt");
    QCOMPARE(TestFiles::read(backup6), game.original.value("abdata/g/f6.txt"));
    if (!otherVolume) {
        QCOMPARE(fileId(backupRoot + QStringLiteral("/A/abdata/g/f5.txt")), original5);
        QCOMPARE(fileId(backup6), original6);
    } else {
        QVERIFY(fileId(backup6).first != original6.first);
    }
    QVERIFY(commands.uninstall(QStringLiteral("A")).clean());
    QCOMPARE(TestFiles::fileSnapshot(CrashGame::path(QStringLiteral("game"))), game.original);
}

QTEST_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
