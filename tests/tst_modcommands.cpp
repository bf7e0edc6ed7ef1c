#include "config/gameinfo.h"
#include "deploy/commandmessages.h"
#include "deploy/layerstack.h"
#include "platform/longpath.h"
#include "platform/nativefile.h"
#include "platform/pathcase.h"
#include "state/statedatabase.h"
#include "support/sandbox.h"
#include "support/testarchive.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

// The engine's own cases: ModCommands on a real game folder, without a
// window. Install, reinstall, uninstall and removal, their refusals, and what
// they leave in the game, the backups, the kept copies and the catalogue.
class TestModCommands : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void installBacksUpRecordsOnceAndKeepsCopy();
    void chosenGameFolderGoesIntoThatFolder_data();
    void chosenGameFolderGoesIntoThatFolder();
    void existingBackupIsNeverOverwritten();
    void unwritableBackupRootProtectsGameFiles();
    void unreadableCatalogueChangesNoGameFile();
    void unrecordableAndWindowsNamesAreNotDeployed();
    void reinstallWithUnwritableCatalogueLeavesNoBackup();
    void refusalsChangeNothing_data();
    void refusalsChangeNothing();
    void archiveIsUnpackedIntoTheKeptCopy_data();
    void archiveIsUnpackedIntoTheKeptCopy();
    void uninstallRestoresAndDeletes();
    void stackedModsUninstallInAnyOrder_data();
    void stackedModsUninstallInAnyOrder();
    void reinstallKeepsTheOtherModsVersion();
    void removalOfUninstalledModTouchesNoGameFile();
    void modFolderLinksAreNotFollowed();
    void removalTakesLinksNotWhatTheyLeadTo();
    // Uninstall and removal with catalogues that point outside the game folder.
    void outsidePathsAreLeftAlone_data();
    void outsidePathsAreLeftAlone();
    void recordUnderOldGameFolderChangesNothing_data();
    void recordUnderOldGameFolderChangesNothing();
    // Read-only files, and a path past 260 characters, through every command.
    void readOnlyAndDeepFilesComeAndGo_data();
    void readOnlyAndDeepFilesComeAndGo();
    // A running game holds its files: refused before anything changes.
    void heldGameFileRefusesTheCommand_data();
    void heldGameFileRefusesTheCommand();
};

void TestModCommands::cleanup()
{
    // Back to what this machine's own folders say.
    PathCase::setForced(false);
    PathCase::probe(QString());
    NativeFile::setHeldForTest(QString());
}

void TestModCommands::installBacksUpRecordsOnceAndKeepsCopy()
{
    Sandbox f;
    f.writeGame({{"abdata/chara/G.unity3d", "game G"}, {"readme.txt", "game readme"}});
    const QString mod = f.mod("pack", {{"abdata/chara/G.unity3d", "mod G"},
                                       {"abdata/chara/N.unity3d", "mod N"},
                                       {"UserData/chara/female/card.png", "card"},
                                       {"readme.txt", "mod readme"}});
    const CommandReport report = f.commands().install(mod, "pack");
    QVERIFY(report.clean());
    QCOMPARE(report.files, 4);

    QCOMPARE(f.gameFiles(), FileMap({{"abdata/chara/G.unity3d", "mod G"},
                                     {"abdata/chara/N.unity3d", "mod N"},
                                     {"UserData/chara/female/card.png", "card"},
                                     {"readme.txt", "mod readme"}}));
    QCOMPARE(Sandbox::files(f.layout().backupFolder("pack")),
             FileMap({{"abdata/chara/G.unity3d", "game G"}, {"readme.txt", "game readme"}}));
    QCOMPARE(Sandbox::files(f.modStore + "/pack"), Sandbox::files(mod));

    const ModRecord record = f.catalogue.m_mods.value("pack");
    QCOMPARE(record.install, 1);
    QCOMPARE(record.replace,
             QList<FileItem>({{1, f.game("abdata/chara/G.unity3d")}, {1, f.game("readme.txt")}}));
    QCOMPARE(record.add, QList<FileItem>({{1, f.game("UserData/chara/female/card.png")},
                                          {1, f.game("abdata/chara/N.unity3d")}}));
    ModCfg reread;
    reread.setGame("HoneySelect");
    QCOMPARE(reread.m_mods.value("pack"), record);
}

void TestModCommands::chosenGameFolderGoesIntoThatFolder_data()
{
    // The game's folder, the chosen folder's name, whether the game ignores
    // case, and where the chosen folder's content lands ("" the game's top).
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("ignoreCase");
    QTest::addColumn<QString>("landsIn");
    QTest::newRow("abdata") << "abdata"
                            << "abdata" << false << "abdata";
    QTest::newRow("Plugins") << "Plugins"
                             << "Plugins" << false << "Plugins";
    QTest::newRow("UserData") << "UserData"
                              << "UserData" << false << "UserData";
    QTest::newRow("AbData where case is ignored") << "abdata"
                                                  << "AbData" << true << "abdata";
    QTest::newRow("USERDATA where case is ignored") << "UserData"
                                                    << "USERDATA" << true << "UserData";
    QTest::newRow("AbData where case counts") << "abdata"
                                              << "AbData" << false << "";
}

void TestModCommands::chosenGameFolderGoesIntoThatFolder()
{
    QFETCH(QString, folder);
    QFETCH(QString, chosen);
    QFETCH(bool, ignoreCase);
    QFETCH(QString, landsIn);
#ifdef Q_OS_WIN
    if (!ignoreCase) {
        QSKIP("Windows file names always ignore case: no folder here where case counts");
    }
#endif
    PathCase::setForced(ignoreCase);
    Sandbox f;
    f.writeGame({{folder + "/old.txt", "game"}});
    const QString mod = f.mod("x/" + chosen, {{"old.txt", "mod"}, {"sub/new.txt", "new"}});
    QVERIFY(f.commands().install(mod, "m").clean());

    const QString in = landsIn.isEmpty() ? QString() : landsIn + "/";
    FileMap installed{
        {folder + "/old.txt", "game"}, {in + "old.txt", "mod"}, {in + "sub/new.txt", "new"}};
    QCOMPARE(f.gameFiles(), installed);
    QCOMPARE(Sandbox::files(f.layout().backupFolder("m")),
             landsIn.isEmpty() ? FileMap() : FileMap({{folder + "/old.txt", "game"}}));
    // The kept copy keeps the mod's own spelling.
    const QString kept = landsIn.isEmpty() ? QString() : chosen + "/";
    QCOMPARE(Sandbox::files(f.modStore + "/m"),
             FileMap({{kept + "old.txt", "mod"}, {kept + "sub/new.txt", "new"}}));

    // The kept copy mirrors the game folder, so a reinstall lands in the same places.
    QVERIFY(f.commands().uninstall("m").clean());
    QCOMPARE(f.gameFiles(), FileMap({{folder + "/old.txt", "game"}}));
    QVERIFY(f.commands().reinstall("m").clean());
    QCOMPARE(f.gameFiles(), installed);
}

void TestModCommands::existingBackupIsNeverOverwritten()
{
    Sandbox f;
    f.writeGame({{"abdata/G", "game G"}});
    TestFiles::write(f.layout().backupFolder("m") + "/abdata/G", "older backup");
    const QString mod = f.mod("m", {{"abdata/G", "mod G"}});

    const CommandReport report = f.commands().install(mod, "m");
    QCOMPARE(report.outcome, CommandReport::Done);
    QCOMPARE(report.failed, 1);
    QCOMPARE(TestFiles::read(f.layout().backupFolder("m") + "/abdata/G"),
             QByteArray("older backup"));
    QVERIFY(f.log().contains("[BackupFileError]:" + f.game("abdata/G")));
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/G", "mod G"}}));
}

void TestModCommands::unwritableBackupRootProtectsGameFiles()
{
    Sandbox f;
    // A backup root below a regular file cannot be created, also as root.
    TestFiles::write(f.dir.filePath("blocker"), "a file");
    f.bakRoot = f.dir.filePath("blocker/HoneySelect");
    f.writeGame({{"abdata/G", "game G"}, {"abdata/H", "game H"}});
    const QString mod =
        f.mod("m", {{"abdata/G", "mod G"}, {"abdata/H", "mod H"}, {"abdata/N", "N"}});

    const CommandReport report = f.commands().install(mod, "m");
    QCOMPARE(report.outcome, CommandReport::Done);
    QCOMPARE(report.failed, 2);
    QCOMPARE(f.gameFiles(),
             FileMap({{"abdata/G", "game G"}, {"abdata/H", "game H"}, {"abdata/N", "N"}}));
    const ModRecord record = f.catalogue.m_mods.value("m");
    QVERIFY(record.replace.isEmpty());
    QCOMPARE(record.add, QList<FileItem>({{1, f.game("abdata/N")}}));
    QVERIFY(f.log().contains("[BackupFileError]:" + f.game("abdata/G")));
    QVERIFY(f.log().contains("[BackupFileError]:" + f.game("abdata/H")));

    QVERIFY(f.commands().uninstall("m").clean());
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/G", "game G"}, {"abdata/H", "game H"}}));
}

void TestModCommands::unreadableCatalogueChangesNoGameFile()
{
    Sandbox f;
    TestFiles::write("config/HoneySelect.xml", "<HoneySelect><mod id=");
    f.writeGame({{"abdata/G", "game G"}});
    const QString mod = f.mod("m", {{"abdata/G", "mod G"}, {"abdata/N", "N"}});
    const CommandReport report = f.commands().install(mod, "m");
    QCOMPARE(report.outcome, CommandReport::CatalogueFailed);
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/G", "game G"}}));
    QVERIFY(!QFileInfo::exists(f.layout().backupFolder("m")));
    QVERIFY(!f.catalogue.m_mods.contains("m"));
}

void TestModCommands::unrecordableAndWindowsNamesAreNotDeployed()
{
#ifdef Q_OS_WIN
    QSKIP("the mod's device and reserved names cannot be made on Windows in the first place");
#endif
    Sandbox f;
    const QString mod = f.mod("m", {{"abdata/ok.txt", "ok"},
                                    {"abdata/bad\x01name.txt", "bad"},
                                    {"abdata/CON.txt", "device"},
                                    {"abdata/Nul", "device"},
                                    {"abdata/dot.", "dot"},
                                    {"abdata/blank ", "blank"},
                                    {"abdata/what?.txt", "reserved"},
                                    {"abdata/aux/inside.txt", "device folder"}});
    const CommandReport report = f.commands().install(mod, "m");
    QCOMPARE(report.outcome, CommandReport::Done);
    QCOMPARE(report.leftAlone, 7);
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/ok.txt", "ok"}}));
    QCOMPARE(Sandbox::files(f.modStore + "/m"), f.gameFiles());
    QVERIFY(f.log().contains("[NameSkipped]:"));
    QVERIFY(f.log().contains("[WindowsNameSkipped]:" + TestFiles::native(mod + "/abdata/aux")));
    QVERIFY(f.log().contains("[WindowsNameSkipped]:" + TestFiles::native(mod + "/abdata/dot.")));
    QCOMPARE(f.catalogue.m_mods.value("m").add.size(), 1);
}

void TestModCommands::reinstallWithUnwritableCatalogueLeavesNoBackup()
{
    Sandbox f;
    f.writeGame({{"abdata/G", "game G"}});
    QVERIFY(f.commands().install(f.mod("m", {{"abdata/G", "mod G"}}), "m").clean());
    QVERIFY(f.commands().uninstall("m").clean());
    TestFiles::write("config/HoneySelect.xml", "damaged");

    QCOMPARE(f.commands().reinstall("m").outcome, CommandReport::CatalogueFailed);
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/G", "game G"}}));
    QVERIFY(Sandbox::files(f.layout().backupFolder("m")).isEmpty());
    QCOMPARE(f.catalogue.m_mods.value("m").install, 0);
}

void TestModCommands::refusalsChangeNothing_data()
{
    QTest::addColumn<QString>("gamePath");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("outcome");
    QTest::newRow("empty game path") << ""
                                     << "new" << int(CommandReport::NoGameFolder);
    QTest::newRow("missing game folder") << "nowhere/"
                                         << "new" << int(CommandReport::NoGameFolder);
    QTest::newRow("name taken") << "game/"
                                << "old" << int(CommandReport::NameTaken);
    QTest::newRow("dot-dot name") << "game/"
                                  << ".." << int(CommandReport::UnsafeName);
    QTest::newRow("name with separator") << "game/"
                                         << "a/b" << int(CommandReport::UnsafeName);
    QTest::newRow("the game's name") << "game/"
                                     << "HONEYSELECT" << int(CommandReport::NameIsGame);
    QTest::newRow("mod folder is the game") << "src/new/"
                                            << "new" << int(CommandReport::SourceOverlapsGame);
    QTest::newRow("mod folder holds the game") << "src/new/abdata/"
                                               << "new" << int(CommandReport::SourceOverlapsGame);
    QTest::newRow("mod folder inside the game") << "src/"
                                                << "new" << int(CommandReport::SourceOverlapsGame);
}

void TestModCommands::refusalsChangeNothing()
{
    QFETCH(QString, gamePath);
    QFETCH(QString, name);
    QFETCH(int, outcome);
    Sandbox f;
    f.writeGame({{"abdata/G", "game G"}});
    QVERIFY(f.commands().install(f.mod("old", {{"abdata/O", "o"}}), "old").clean());
    const QByteArray catalogue = TestFiles::read("config/HoneySelect.xml");

    f.gamePath = gamePath.isEmpty() ? QString() : f.dir.filePath(gamePath);
    const QString mod = f.mod("new", {{"abdata/G", "mod G"}});
    if (gamePath.startsWith("src/")) {
        QVERIFY(QFileInfo(f.gamePath).isDir());
    }
    const FileMap withMod = TestFiles::snapshot(f.dir.path());
    QCOMPARE(int(f.commands().install(mod, name).outcome), outcome);
    QCOMPARE(TestFiles::snapshot(f.dir.path()), withMod);
    QCOMPARE(TestFiles::read("config/HoneySelect.xml"), catalogue);
}

void TestModCommands::archiveIsUnpackedIntoTheKeptCopy_data()
{
    QTest::addColumn<QString>("top");    // folder wrapping the archive's files, if any
    QTest::addColumn<QString>("name");   // the mod's name
    QTest::addColumn<bool>("strayKept"); // a folder is already at the kept copy's place
    QTest::addColumn<bool>("damaged");   // the data is damaged past its headers
    QTest::addColumn<int>("outcome");
    const int done = CommandReport::Done;
    QTest::newRow("mod root") << ""
                              << "m" << false << false << done;
    QTest::newRow("wrapping folder") << "m v1.2/"
                                     << "m" << false << false << done;
    QTest::newRow("wrapping abdata folder kept") << "abdata/"
                                                 << "m" << false << false << done;
    // Not this mod's: merged in, its files would come into the game at the
    // next reinstall.
    QTest::newRow("folder already at the kept copy")
        << ""
        << "m" << true << false << int(CommandReport::KeptFolderTaken);
    QTest::newRow("damaged data") << ""
                                  << "m" << false << true << int(CommandReport::ArchiveRefused);
    QTest::newRow("name of an unpack folder")
        << ""
        << ".Veldane-Unpacking-1" << false << false << int(CommandReport::UnsafeName);
}

// An archive becomes the kept copy by a rename; nothing else of it stays.
void TestModCommands::archiveIsUnpackedIntoTheKeptCopy()
{
    QFETCH(QString, top);
    QFETCH(QString, name);
    QFETCH(bool, strayKept);
    QFETCH(bool, damaged);
    QFETCH(int, outcome);
    Sandbox f;
    f.writeGame({{"abdata/G", "game G"}});
    const FileMap mod{{"abdata/G", "mod G"},
                      {"abdata/new/N", damaged ? QByteArray(100000, 'n') : "N"}};
    QList<TestArchive::Entry> entries;
    for (auto it = mod.cbegin(); it != mod.cend(); ++it) {
        entries << TestArchive::file(top + it.key(), it.value());
    }
    const QString archive = f.dir.filePath("m.zip");
    QVERIFY(TestArchive::write(archive, TestArchive::Format::Zip, entries,
                               damaged ? "zip:compression=store" : nullptr));
    if (damaged) {
        QByteArray bytes = TestFiles::read(archive);
        bytes[bytes.indexOf(QByteArray(100, 'n')) + 50] = 'x';
        QVERIFY(TestFiles::write(archive, bytes));
    }
    if (strayKept) {
        QVERIFY(TestFiles::write(f.modStore + "/m/readme.txt", "stray"));
    }
    const FileMap before = TestFiles::snapshot(f.dir.path());

    const CommandReport report = f.commands().install(archive, name);
    QCOMPARE(int(report.outcome), outcome);
    if (outcome != CommandReport::Done) {
        FileMap after = TestFiles::snapshot(f.dir.path());
        after.remove("config/HoneySelect.db"); // its journal saw the command come and go
        FileMap expected = before;
        expected.remove("config/HoneySelect.db");
        QCOMPARE(after.keys(), expected.keys());
        QCOMPARE(after, expected);
        return;
    }
    QVERIFY(report.clean());
    FileMap kept = mod;
    FileMap game{{"abdata/G", "mod G"}, {"abdata/new/N", "N"}};
    if (top == QLatin1String("abdata/")) {
        // One of the game's own folders is not unwrapped, as in a mod folder.
        kept = {{"abdata/abdata/G", "mod G"}, {"abdata/abdata/new/N", "N"}};
        game = {{"abdata/G", "game G"}, {"abdata/abdata/G", "mod G"}, {"abdata/abdata/new/N", "N"}};
    }
    QCOMPARE(f.gameFiles(), game);
    QCOMPARE(Sandbox::files(f.modStore + "/m"), kept);
    QCOMPARE(QDir(f.modStore).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"m"});
    // A reinstall needs only the kept copy.
    QVERIFY(QFile::remove(archive));
    QVERIFY(f.commands().uninstall("m").clean());
    QVERIFY(f.commands().reinstall("m").clean());
    QCOMPARE(f.gameFiles(), game);
}

namespace {

// The game's state database as each file step of a command finds it: how
// many connections are open on it, and how many rows a reader of its own, as
// the next start would be, finds committed.
struct StateWatch
{
    explicit StateWatch(const QString &cataloguePath)
        : path(StateDatabase::pathForCatalogue(cataloguePath))
    {
    }

    CommandProgress progress()
    {
        CommandProgress progress;
        progress.setValue = [this](int) {
            int open = 0;
            for (const QString &name : QSqlDatabase::connectionNames()) {
                open += QSqlDatabase::database(name, false).databaseName() == path;
            }
            connections.insert(open);
            entries.insert(rows("journal"));
        };
        return progress;
    }

    int rows(const QString &table) const
    {
        int count = -1;
        {
            QSqlDatabase reader = QSqlDatabase::addDatabase("QSQLITE", "watch");
            reader.setDatabaseName(path);
            if (reader.open()) {
                QSqlQuery query(reader);
                if (query.exec("SELECT count(*) FROM " + table) && query.next()) {
                    count = query.value(0).toInt();
                }
            }
        }
        QSqlDatabase::removeDatabase("watch");
        return count;
    }

    QString path;
    QSet<int> connections;
    QSet<int> entries;
};

} // namespace

void TestModCommands::uninstallRestoresAndDeletes()
{
    Sandbox f;
    const FileMap original{{"abdata/G", "game G"}, {"UserData/cap/a.png", "png"}};
    f.writeGame(original);
    const QString mod = f.mod("m", {{"abdata/G", "mod G"}, {"abdata/new/N", "N"}});
    StateWatch watch(f.catalogue.m_cfgPath);
    QVERIFY(ModCommands(f.catalogue, f.layout(), watch.progress()).install(mod, "m").clean());
    QCOMPARE(watch.rows("manifest"), 2);

    const CommandReport report =
        ModCommands(f.catalogue, f.layout(), watch.progress()).uninstall("m");
    QVERIFY(report.clean());
    QCOMPARE(f.gameFiles(), original);
    QVERIFY(!QFileInfo::exists(f.layout().backupFolder("m")));
    QVERIFY(QFileInfo(f.modStore + "/m").isDir());
    QCOMPARE(f.catalogue.m_mods.value("m").install, 0);
    // Every file step ran with the entry committed, on the command's one
    // connection; the entry and the records went when the command ended.
    QCOMPARE(watch.connections, QSet<int>{1});
    QCOMPARE(watch.entries, QSet<int>{1});
    QCOMPARE(watch.rows("journal"), 0);
    QCOMPARE(watch.rows("manifest"), 0);
}

void TestModCommands::stackedModsUninstallInAnyOrder_data()
{
    QTest::addColumn<QStringList>("order");
    const QStringList mods{"A", "B", "C"};
    QStringList order = mods;
    std::sort(order.begin(), order.end());
    do {
        QTest::newRow(qPrintable(order.join(QString()))) << order;
    } while (std::next_permutation(order.begin(), order.end()));
}

void TestModCommands::stackedModsUninstallInAnyOrder()
{
    QFETCH(QStringList, order);
    Sandbox f;
    const FileMap original{{"abdata/G", "game G"}, {"abdata/N0", "game N0"}, {"other", "x"}};
    f.writeGame(original);
    // A replaces G and adds N; B replaces G and N (A's); C replaces N and adds M.
    const QMap<QString, FileMap> mods{
        {"A", {{"abdata/G", "A:G"}, {"abdata/N", "A:N"}}},
        {"B", {{"abdata/G", "B:G"}, {"abdata/N", "B:N"}, {"abdata/N0", "B:N0"}}},
        {"C", {{"abdata/N", "C:N"}, {"abdata/M", "C:M"}}}};
    QStringList installed;
    for (const QString id : {"A", "B", "C"}) {
        QVERIFY(f.commands().install(f.mod(id, mods.value(id)), id).clean());
        installed << id;
    }
    QVERIFY(LayerStack::isNumbered(f.catalogue.m_mods));

    for (const QString &id : order) {
        QVERIFY(f.commands().uninstall(id).clean());
        installed.removeOne(id);
        // What applying the mods still installed, in install order, gives.
        FileMap expected = original;
        for (const QString &left : installed) {
            for (auto it = mods.value(left).cbegin(); it != mods.value(left).cend(); ++it) {
                expected.insert(it.key(), it.value());
            }
        }
        QCOMPARE(f.gameFiles(), expected);
        QVERIFY(LayerStack::isNumbered(f.catalogue.m_mods));
    }
    QCOMPARE(f.gameFiles(), original);
    QVERIFY(Sandbox::files(f.dir.filePath("data")).isEmpty());
}

void TestModCommands::reinstallKeepsTheOtherModsVersion()
{
    Sandbox f;
    f.writeGame({{"abdata/G", "game G"}});
    const QString a = f.mod("A", {{"abdata/N", "A:N"}});
    const QString b = f.mod("B", {{"abdata/N", "B:N"}});
    QVERIFY(f.commands().install(a, "A").clean());
    QVERIFY(f.commands().uninstall("A").clean());
    QVERIFY(f.commands().install(b, "B").clean());

    // N was an add at A's first install; now B's N is in the game.
    QVERIFY(f.commands().reinstall("A").clean());
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/G", "game G"}, {"abdata/N", "A:N"}}));
    const ModRecord record = f.catalogue.m_mods.value("A");
    QCOMPARE(record.replace, QList<FileItem>({{2, f.game("abdata/N")}}));
    QVERIFY(record.add.isEmpty());

    QVERIFY(f.commands().uninstall("A").clean());
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/G", "game G"}, {"abdata/N", "B:N"}}));
    QVERIFY(f.commands().uninstall("B").clean());
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/G", "game G"}}));
}

void TestModCommands::removalOfUninstalledModTouchesNoGameFile()
{
    Sandbox f;
    f.writeGame({{"abdata/G", "game G"}});
    QVERIFY(f.commands().install(f.mod("m", {{"abdata/G", "mod G"}}), "m").clean());
    QVERIFY(f.commands().uninstall("m").clean());
    // Something else puts the file back in the meantime.
    f.writeGame({{"abdata/G", "user's G"}});
    const FileMap game = f.gameFiles();

    QVERIFY(f.commands().remove("m").clean());
    QCOMPARE(f.gameFiles(), game);
    QVERIFY(!f.catalogue.m_mods.contains("m"));
    QVERIFY(!QFileInfo::exists(f.modStore + "/m"));
    QVERIFY(!QFileInfo::exists(f.layout().backupFolder("m")));
}

void TestModCommands::modFolderLinksAreNotFollowed()
{
#ifdef Q_OS_WIN
    QSKIP("needs symbolic links");
#endif
    Sandbox f;
    TestFiles::write(f.dir.filePath("outside/secret.txt"), "secret");
    const QString mod = f.mod("m", {{"abdata/real.txt", "real"}});
    QVERIFY(QFile::link(f.dir.filePath("outside"), mod + "/abdata/linked"));
    QVERIFY(QFile::link(f.dir.filePath("outside/secret.txt"), mod + "/file-link.txt"));
    const FileMap outside = TestFiles::snapshot(f.dir.filePath("outside"));

    const CommandReport report = f.commands().install(mod, "m");
    QCOMPARE(report.leftAlone, 2);
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/real.txt", "real"}}));
    QCOMPARE(Sandbox::files(f.modStore + "/m"), FileMap({{"abdata/real.txt", "real"}}));
    QVERIFY(f.log().contains("[LinkSkipped]:" + TestFiles::native(mod + "/abdata/linked")));
    QVERIFY(f.log().contains("[LinkSkipped]:" + TestFiles::native(mod + "/file-link.txt")));
    QCOMPARE(GameInfo::countFiles(mod), 1);

    // A game folder that is a link out of the game is not written through.
    QVERIFY(QFile::link(f.dir.filePath("outside"), f.gamePath + "Plugins"));
    const QString plugins = f.mod("p/Plugins", {{"plugin.dll", "dll"}});
    const CommandReport second = f.commands().install(plugins, "p");
    QCOMPARE(second.leftAlone, 1);
    QCOMPARE(TestFiles::snapshot(f.dir.filePath("outside")), outside);
    QVERIFY(f.log().contains("[OutsideGameError]:" + f.game("Plugins/plugin.dll")));
}

namespace {

// A symbolic link to a folder. Wine makes none itself, but shows a Unix one
// as a reparse point (as a junction looks on Windows): there the Unix ln
// makes it. False where no such link can be made.
bool makeFolderLink(const QString &target, const QString &link)
{
#ifdef Q_OS_WIN
    // Wine's drive Z: is the Unix root.
    const QString ln = QStringLiteral("Z:/bin/ln");
    if (!QFileInfo::exists(ln)) {
        return false;
    }
    QProcess making;
    making.setWorkingDirectory(QFileInfo(link).absolutePath());
    making.start(ln, {"-s", QFileInfo(link).absoluteDir().relativeFilePath(target),
                      QFileInfo(link).fileName()});
    making.waitForFinished(30000);
    return NativeFile::isLink(link);
#else
    return QFile::link(target, link);
#endif
}

} // namespace

void TestModCommands::removalTakesLinksNotWhatTheyLeadTo()
{
    Sandbox f;
    const QString outside = f.dir.filePath("outside");
    TestFiles::write(outside + "/secret.txt", "secret");
    TestFiles::write(outside + "/abdata/G", "outside G");
    const FileMap outsideFiles = TestFiles::snapshot(outside);
    f.writeGame({{"abdata/G", "game G"}});
    QVERIFY(f.commands().install(f.mod("m", {{"abdata/G", "mod G"}}), "m").clean());
    QVERIFY(f.commands().uninstall("m").clean());
    // Links put into the kept copy and the backups, by hand or by a tool.
    const QString backups = f.layout().backupFolder("m");
    QVERIFY(QDir().mkpath(backups));
    if (!makeFolderLink(outside, f.modStore + "/m/linked")) {
        QSKIP("no link to a folder can be made here");
    }
    QVERIFY(makeFolderLink(outside, backups + "/abdata"));

    QVERIFY(f.commands().remove("m").clean());
    QCOMPARE(TestFiles::snapshot(outside), outsideFiles);
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/G", "game G"}}));
    QVERIFY(!f.catalogue.m_mods.contains("m"));
#ifndef Q_OS_WIN
    // Wine cannot remove a Unix link to a folder: it stays there, with the
    // folders that hold it.
    QVERIFY(!NativeFile::entry(f.modStore + "/m").exists);
    QVERIFY(!NativeFile::entry(backups).exists);
#endif
}

namespace {

QByteArray catalogueWith(const QStringList &replace, const QStringList &add)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<HoneySelect>\n"
                     " <mod id=\"m\"><info/><time>2016-5-3 09:07:05</time><install>1</install>\n"
                     "  <replace>\n";
    for (const QString &path : replace) {
        xml += "   <item order=\"1\">" + path.toUtf8() + "</item>\n";
    }
    xml += "  </replace>\n  <add>\n";
    for (const QString &path : add) {
        xml += "   <item order=\"1\">" + path.toUtf8() + "</item>\n";
    }
    xml += "  </add>\n </mod>\n</HoneySelect>\n";
    return xml;
}

} // namespace

void TestModCommands::outsidePathsAreLeftAlone_data()
{
    QTest::addColumn<bool>("remove");
    QTest::newRow("uninstall") << false;
    QTest::newRow("remove") << true;
}

void TestModCommands::outsidePathsAreLeftAlone()
{
#ifdef Q_OS_WIN
    QSKIP("needs symbolic links");
#endif
    QFETCH(bool, remove);
    Sandbox f;
    const QString victim = f.dir.filePath("victim");
    TestFiles::write(victim + "/a.txt", "a");
    TestFiles::write(victim + "/b.txt", "b");
    TestFiles::write(victim + "/c.txt", "c");
    TestFiles::write(victim + "/G", "victim's G");
    f.writeGame({{"abdata/G", "mod G"}, {"abdata/H", "mod H"}, {"abdata/N", "mod N"}});
    QVERIFY(QFile::link(victim, f.gamePath + "linkout"));
    // The backup of H sits behind a link that leads out of the backup folder.
    QDir().mkpath(f.layout().backupFolder("m"));
    QVERIFY(QFile::link(victim, f.layout().backupFolder("m") + "/abdata"));
    const FileMap outside = TestFiles::snapshot(victim);

    const QString dotDot = f.game("abdata/../../victim/a.txt");
    const QString elsewhere = TestFiles::native(victim + "/b.txt");
    const QString throughLink = f.game("linkout/c.txt");
    const QString behindBackupLink = f.game("abdata/G");
    const QString inside = f.game("abdata/N");
    TestFiles::write("config/HoneySelect.xml",
                     catalogueWith({dotDot, behindBackupLink}, {elsewhere, throughLink, inside}));
    f.catalogue.setGame("HoneySelect");
    QCOMPARE(f.catalogue.m_mods.value("m").add.size(), 3);

    const CommandReport report = remove ? f.commands().remove("m") : f.commands().uninstall("m");
    QCOMPARE(report.outcome, CommandReport::Done);
    QCOMPARE(report.leftAlone, 4);
    QCOMPARE(report.failed, 0);
    QVERIFY(!report.clean());

    QCOMPARE(TestFiles::snapshot(victim), outside);
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/G", "mod G"},
                                     {"abdata/H", "mod H"},
                                     {"linkout", "<link>" + QFile::encodeName(victim)}}));
    const QString log = f.log();
    QVERIFY2(log.contains("[OutsideGameError]:" + dotDot), qPrintable(log));
    QVERIFY(log.contains("[OutsideGameError]:" + elsewhere));
    QVERIFY(log.contains("[OutsideGameError]:" + throughLink));
    QVERIFY(log.contains("[OutsideBackupError]:"));
    QCOMPARE(f.catalogue.m_mods.contains("m"), !remove);
}

void TestModCommands::recordUnderOldGameFolderChangesNothing_data()
{
    QTest::addColumn<bool>("remove");
    QTest::newRow("uninstall") << false;
    QTest::newRow("remove") << true;
}

void TestModCommands::recordUnderOldGameFolderChangesNothing()
{
    QFETCH(bool, remove);
    Sandbox f;
    // The game was moved; the old folder is still there with the mod's files.
    const QString oldGame = f.dir.filePath("oldgame");
    TestFiles::write(oldGame + "/abdata/G", "mod G");
    TestFiles::write(oldGame + "/abdata/N", "mod N");
    TestFiles::write(f.layout().backupFolder("m") + "/abdata/G", "game G");
    f.writeGame({{"abdata/G", "mod G"}, {"abdata/N", "mod N"}});
    TestFiles::write("config/HoneySelect.xml",
                     catalogueWith({TestFiles::native(oldGame + "/abdata/G")},
                                   {TestFiles::native(oldGame + "/abdata/N")}));
    f.catalogue.setGame("HoneySelect");
    const FileMap before = TestFiles::snapshot(f.dir.path());

    const CommandReport report = remove ? f.commands().remove("m") : f.commands().uninstall("m");
    QCOMPARE(report.outcome, CommandReport::RecordedElsewhere);
    // Every command opens the game's state database, which may be new here.
    FileMap after = TestFiles::snapshot(f.dir.path());
    after.remove("config/HoneySelect.db");
    QCOMPARE(after, before);
    QCOMPARE(f.catalogue.m_mods.value("m").install, 1);
}

namespace {

#ifdef Q_OS_WIN
// Attributes that only Windows has: a hidden file, a read-only folder.
DWORD attributesOf(const QString &path)
{
    return GetFileAttributesW(reinterpret_cast<const wchar_t *>(LongPath::toWin32(path).utf16()));
}

bool addAttribute(const QString &path, DWORD attribute)
{
    const DWORD old = attributesOf(path);
    return old != INVALID_FILE_ATTRIBUTES &&
           SetFileAttributesW(reinterpret_cast<const wchar_t *>(LongPath::toWin32(path).utf16()),
                              (old & ~DWORD(FILE_ATTRIBUTE_DIRECTORY)) | attribute);
}
#endif

} // namespace

void TestModCommands::readOnlyAndDeepFilesComeAndGo_data()
{
    // Where the backup root lies: "" beside the game, else below this folder.
    QTest::addColumn<QString>("elsewhere");
    QTest::newRow("backups beside the game") << "";
    QTest::newRow("backups on another file system") << "/dev/shm";
    // Set by scripts/test-windows.sh to a drive letter that Wine maps to /dev/shm.
    QTest::newRow("backups on another drive") << "$VELDANE_TEST_OTHER_DRIVE";
}

void TestModCommands::readOnlyAndDeepFilesComeAndGo()
{
    QFETCH(QString, elsewhere);
    if (elsewhere == "$VELDANE_TEST_OTHER_DRIVE") {
        elsewhere = qEnvironmentVariable("VELDANE_TEST_OTHER_DRIVE");
        if (elsewhere.isEmpty()) {
            QSKIP("VELDANE_TEST_OTHER_DRIVE names no folder on a second drive");
        }
    }
    Sandbox f;
    QTemporaryDir other(elsewhere + "/veldane-XXXXXX");
    if (!elsewhere.isEmpty()) {
        if (!other.isValid()) {
            QSKIP("no folder can be made on the other file system");
        }
        f.bakRoot = QDir::toNativeSeparators(other.filePath("HoneySelect"));
    }
    // Archives from old tools and files copied from discs come read-only, in
    // the mod and in the game alike.
    const auto readOnly = QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup | QFile::ReadOther;
    const FileMap original{{"abdata/G", "game G"}, {"abdata/H", "game H"}, {"abdata/W", "game W"}};
    f.writeGame(original);
    QVERIFY(QFile::setPermissions(f.game("abdata/G"), readOnly));
    const QFile::Permissions originalMode = QFile::permissions(f.game("abdata/G"));
#ifdef Q_OS_WIN
    // A hidden game file is overwritten in place where its backup had to be a
    // copy; the game's folder is marked read-only, as Explorer marks folders.
    QVERIFY(addAttribute(f.game("abdata/H"), FILE_ATTRIBUTE_HIDDEN));
    QVERIFY(addAttribute(f.game("abdata"), FILE_ATTRIBUTE_READONLY));
    const DWORD hidden = attributesOf(f.game("abdata/H"));
    const DWORD folder = attributesOf(f.game("abdata"));
#endif
    if (!elsewhere.isEmpty()) {
        // No rename reaches the other volume: each backup there is a copy,
        // written back before the game file it saves is overwritten.
        QVERIFY(QDir().mkpath(f.bakRoot));
        QVERIFY(!NativeFile::renameNew(f.game("abdata/W"), f.bakRoot + "/W"));
        QCOMPARE(f.gameFiles(), original);
        QVERIFY(!NativeFile::entry(f.bakRoot + "/W").exists);
    }
    // A deepest file past Windows' 260 characters, in the game, the kept copy
    // and the backups alike.
    const QString deep = "abdata" + QStringLiteral("/%1").arg(QString(60, 'd')).repeated(5) + "/D";
    const FileMap modFiles{
        {"abdata/G", "mod G"}, {"abdata/H", "mod H"}, {"abdata/N", "mod N"}, {deep, "mod D"}};
    const QString mod = f.mod("m", modFiles);
    for (auto it = modFiles.cbegin(); it != modFiles.cend(); ++it) {
        QVERIFY(QFile::setPermissions(mod + "/" + it.key(), readOnly));
    }
    FileMap installed = original;
    installed.insert(modFiles);

    QVERIFY(f.commands().install(mod, "m").clean());
    QCOMPARE(f.gameFiles(), installed);
    QCOMPARE(Sandbox::files(f.layout().backupFolder("m")),
             FileMap({{"abdata/G", "game G"}, {"abdata/H", "game H"}}));
    QVERIFY(f.commands().uninstall("m").clean());
    QCOMPARE(f.gameFiles(), original);
    QCOMPARE(QFile::permissions(f.game("abdata/G")), originalMode);
#ifdef Q_OS_WIN
    QCOMPARE(attributesOf(f.game("abdata/H")), hidden);
#endif
    QVERIFY(f.commands().reinstall("m").clean());
    QCOMPARE(f.gameFiles(), installed);
    // A second mod replaces the first one's read-only copy, and goes again.
    QVERIFY(f.commands().install(f.mod("n", {{"abdata/N", "n's N"}}), "n").clean());
    QVERIFY(f.commands().uninstall("n").clean());
    QCOMPARE(f.gameFiles(), installed);

    QVERIFY(f.commands().remove("m").clean());
    QCOMPARE(f.gameFiles(), original);
    QCOMPARE(QFile::permissions(f.game("abdata/G")), originalMode);
#ifdef Q_OS_WIN
    QCOMPARE(attributesOf(f.game("abdata/H")), hidden);
    QCOMPARE(attributesOf(f.game("abdata")), folder);
#endif
    QVERIFY(!QFileInfo::exists(f.modStore + "/m"));
    QVERIFY(!QFileInfo::exists(f.layout().backupFolder("m")));
}

namespace {

// A program of its own holding one file open with no sharing, as a running
// game holds its files; lets it go when destroyed.
class FileHolder
{
public:
    ~FileHolder() { release(); }

    bool hold(const QString &file)
    {
        // Beside the tests: the working folder is the sandbox's.
        m_program.start(QCoreApplication::applicationDirPath() + "/" VELDANE_HOLDFILE,
                        {QDir::toNativeSeparators(file)});
        while (!m_output.contains("held") && m_program.waitForReadyRead(30000)) {
            m_output += m_program.readAllStandardOutput();
        }
        if (!m_output.contains("held")) {
            qWarning() << "the file holder did not hold" << file << m_program.errorString()
                       << m_program.readAllStandardError();
            return false;
        }
        return true;
    }

    void release()
    {
        if (m_program.state() == QProcess::NotRunning) {
            return;
        }
        m_program.closeWriteChannel();
        if (!m_program.waitForFinished(30000)) {
            m_program.kill();
            m_program.waitForFinished();
        }
    }

private:
    QProcess m_program;
    QByteArray m_output;
};

} // namespace

void TestModCommands::heldGameFileRefusesTheCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("held"); // the game file held open
    QTest::addColumn<bool>("refused");
    // Held by another program through the system, or through the test hook
    // where the system lets a held file be changed (Unix).
    QTest::addColumn<bool>("byProgram");
    for (const bool byProgram : {false, true}) {
        const char *by = byProgram ? ", by a program" : "";
        QTest::addRow("install over it%s", by) << "install"
                                               << "abdata/G" << true << byProgram;
        QTest::addRow("install from an archive%s", by) << "archive"
                                                       << "abdata/G" << true << byProgram;
        QTest::addRow("install beside it%s", by) << "install"
                                                 << "abdata/W" << false << byProgram;
        QTest::addRow("reinstall%s", by) << "reinstall"
                                         << "abdata/G" << true << byProgram;
        QTest::addRow("uninstall, restore%s", by) << "uninstall"
                                                  << "abdata/G" << true << byProgram;
        QTest::addRow("uninstall, delete%s", by) << "uninstall"
                                                 << "abdata/N" << true << byProgram;
        QTest::addRow("removal%s", by) << "remove"
                                       << "abdata/N" << true << byProgram;
    }
}

void TestModCommands::heldGameFileRefusesTheCommand()
{
    QFETCH(QString, command);
    QFETCH(QString, held);
    QFETCH(bool, refused);
    QFETCH(bool, byProgram);
#ifndef Q_OS_WIN
    // A file held open on Unix can still be renamed, replaced and deleted.
    refused = refused && !byProgram;
#endif
    Sandbox f;
    f.writeGame({{"abdata/G", "game G"}, {"abdata/W", "game W"}});
    const FileMap modFiles{{"abdata/G", "mod G"}, {"abdata/N", "mod N"}};
    const QString mod = f.mod("m", modFiles);
    const QString archive = f.dir.filePath("m.zip");
    QVERIFY(TestArchive::write(
        archive, TestArchive::Format::Zip,
        {TestArchive::file("abdata/G", "mod G"), TestArchive::file("abdata/N", "mod N")}));
    if (command != "install" && command != "archive") {
        QVERIFY(f.commands().install(mod, "m").clean());
    }
    if (command == "reinstall") {
        QVERIFY(f.commands().uninstall("m").clean());
    }
    FileMap before = TestFiles::snapshot(f.dir.path());
    const QByteArray catalogue = TestFiles::read("config/HoneySelect.xml");

    const auto run = [&] {
        if (command == "install" || command == "archive") {
            return f.commands().install(command == "install" ? mod : archive, "m");
        }
        if (command == "reinstall") {
            return f.commands().reinstall("m");
        }
        return command == "uninstall" ? f.commands().uninstall("m") : f.commands().remove("m");
    };
    FileHolder holder;
    if (byProgram) {
        QVERIFY(holder.hold(f.game(held)));
    } else {
        NativeFile::setHeldForTest(f.game(held));
    }
    const CommandReport report = run();
    // The game closes.
    holder.release();
    NativeFile::setHeldForTest(QString());
    if (!refused) {
        QVERIFY(report.clean());
        return;
    }
    QCOMPARE(report.outcome, CommandReport::GameFileHeld);
    QCOMPARE(report.path, f.game(held));
    QCOMPARE(TestFiles::read("config/HoneySelect.xml"), catalogue);
    // Veldane's own state database may gain the archive's finished unpack step.
    FileMap after = TestFiles::snapshot(f.dir.path());
    after.remove("config/HoneySelect.db");
    before.remove("config/HoneySelect.db");
    QCOMPARE(after, before);
    const QString text = CommandMessages::describe(report, "m", "", "", "");
    QVERIFY(text.contains(QDir::toNativeSeparators(f.game(held))));

    // Once the game is closed the same command goes through.
    QVERIFY(run().clean());
}

QTEST_GUILESS_MAIN(TestModCommands)
#include "tst_modcommands.moc"
