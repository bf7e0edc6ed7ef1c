#include "config/gameinfo.h"
#include "deploy/filecopier.h"
#include "deploy/layerstack.h"
#include "deploy/modfolderplanner.h"
#include "gui/orderdlg.h"
#include "platform/pathcase.h"
#include "support/testarchive.h"
#include "tst_deployfixture.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <filesystem>
#include <system_error>
#include <xxhash.h>

class TestDeploy : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void walkOrderMirrorsWholeNamesAndSkipsHidden();
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
    void copierKeepsItsPromises_data();
    void copierKeepsItsPromises();
    void largeFilesAreFreedInPiecesOnlyWhenUnshared_data();
    void largeFilesAreFreedInPiecesOnlyWhenUnshared();
    void oneFileInTwoSpellingsIsOneStack_data();
    void oneFileInTwoSpellingsIsOneStack();
    void caseBlindFileSystemIsFoundAndShared();
};

void TestDeploy::cleanup()
{
    // Back to what this machine's own folders say.
    PathCase::setForced(false);
    PathCase::probe(QString());
}

void TestDeploy::walkOrderMirrorsWholeNamesAndSkipsHidden()
{
    DeployFixture f;
    const QString mod = f.mod("walk", {{"b.txt", "b"},
                                       {"Z.txt", "Z"},
                                       {"v1.2/inner.txt", "v"},
                                       {"abdata.old/x.txt", "x"},
                                       {"B/deep/y.txt", "y"},
                                       {".hidden", "h"},
                                       {".git/config", "g"}});
    const DeploymentPlan plan = ModFolderPlanner::plan(mod, "T", "B");
    QStringList targets;
    for (const PlannedFile &file : plan.files) {
        targets << QDir::fromNativeSeparators(file.target);
    }
    // Folders before files, names compared case-sensitively ("B" < "Z" < "a").
    QCOMPARE(targets, QStringList({"T/B/deep/y.txt", "T/abdata.old/x.txt", "T/v1.2/inner.txt",
                                   "T/Z.txt", "T/b.txt"}));
    QCOMPARE(GameInfo::countFiles(mod), 5);

    const CommandReport report = f.commands().install(mod, "walk");
    QVERIFY(report.clean());
    QCOMPARE(f.gameFiles(), FileMap({{"B/deep/y.txt", "y"},
                                     {"abdata.old/x.txt", "x"},
                                     {"v1.2/inner.txt", "v"},
                                     {"Z.txt", "Z"},
                                     {"b.txt", "b"}}));
    QCOMPARE(DeployFixture::files(f.modStore + "/walk"), f.gameFiles());
    const ModRecord record = f.catalogue.m_mods.value("walk");
    QCOMPARE(record.add.size(), 5);
    QCOMPARE(record.add.first().path, f.game("B/deep/y.txt"));
}

void TestDeploy::installBacksUpRecordsOnceAndKeepsCopy()
{
    DeployFixture f;
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
    QCOMPARE(DeployFixture::files(f.layout().backupFolder("pack")),
             FileMap({{"abdata/chara/G.unity3d", "game G"}, {"readme.txt", "game readme"}}));
    QCOMPARE(DeployFixture::files(f.modStore + "/pack"), DeployFixture::files(mod));

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

void TestDeploy::chosenGameFolderGoesIntoThatFolder_data()
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

void TestDeploy::chosenGameFolderGoesIntoThatFolder()
{
    QFETCH(QString, folder);
    QFETCH(QString, chosen);
    QFETCH(bool, ignoreCase);
    QFETCH(QString, landsIn);
    PathCase::setForced(ignoreCase);
    DeployFixture f;
    f.writeGame({{folder + "/old.txt", "game"}});
    const QString mod = f.mod("x/" + chosen, {{"old.txt", "mod"}, {"sub/new.txt", "new"}});
    QVERIFY(f.commands().install(mod, "m").clean());

    const QString in = landsIn.isEmpty() ? QString() : landsIn + "/";
    FileMap installed{
        {folder + "/old.txt", "game"}, {in + "old.txt", "mod"}, {in + "sub/new.txt", "new"}};
    QCOMPARE(f.gameFiles(), installed);
    QCOMPARE(DeployFixture::files(f.layout().backupFolder("m")),
             landsIn.isEmpty() ? FileMap() : FileMap({{folder + "/old.txt", "game"}}));
    // The kept copy keeps the mod's own spelling.
    const QString kept = landsIn.isEmpty() ? QString() : chosen + "/";
    QCOMPARE(DeployFixture::files(f.modStore + "/m"),
             FileMap({{kept + "old.txt", "mod"}, {kept + "sub/new.txt", "new"}}));

    // The kept copy mirrors the game folder, so a reinstall lands in the same places.
    QVERIFY(f.commands().uninstall("m").clean());
    QCOMPARE(f.gameFiles(), FileMap({{folder + "/old.txt", "game"}}));
    QVERIFY(f.commands().reinstall("m").clean());
    QCOMPARE(f.gameFiles(), installed);
}

void TestDeploy::existingBackupIsNeverOverwritten()
{
    DeployFixture f;
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

void TestDeploy::unwritableBackupRootProtectsGameFiles()
{
    DeployFixture f;
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

void TestDeploy::unreadableCatalogueChangesNoGameFile()
{
    DeployFixture f;
    TestFiles::write("config/HoneySelect.xml", "<HoneySelect><mod id=");
    f.writeGame({{"abdata/G", "game G"}});
    const QString mod = f.mod("m", {{"abdata/G", "mod G"}, {"abdata/N", "N"}});
    const CommandReport report = f.commands().install(mod, "m");
    QCOMPARE(report.outcome, CommandReport::CatalogueFailed);
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/G", "game G"}}));
    QVERIFY(!QFileInfo::exists(f.layout().backupFolder("m")));
    QVERIFY(!f.catalogue.m_mods.contains("m"));
}

void TestDeploy::unrecordableAndWindowsNamesAreNotDeployed()
{
    DeployFixture f;
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
    QCOMPARE(DeployFixture::files(f.modStore + "/m"), f.gameFiles());
    QVERIFY(f.log().contains("[NameSkipped]:"));
    QVERIFY(f.log().contains("[WindowsNameSkipped]:" + TestFiles::native(mod + "/abdata/aux")));
    QVERIFY(f.log().contains("[WindowsNameSkipped]:" + TestFiles::native(mod + "/abdata/dot.")));
    QCOMPARE(f.catalogue.m_mods.value("m").add.size(), 1);
}

void TestDeploy::reinstallWithUnwritableCatalogueLeavesNoBackup()
{
    DeployFixture f;
    f.writeGame({{"abdata/G", "game G"}});
    QVERIFY(f.commands().install(f.mod("m", {{"abdata/G", "mod G"}}), "m").clean());
    QVERIFY(f.commands().uninstall("m").clean());
    TestFiles::write("config/HoneySelect.xml", "damaged");

    QCOMPARE(f.commands().reinstall("m").outcome, CommandReport::CatalogueFailed);
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/G", "game G"}}));
    QVERIFY(DeployFixture::files(f.layout().backupFolder("m")).isEmpty());
    QCOMPARE(f.catalogue.m_mods.value("m").install, 0);
}

void TestDeploy::refusalsChangeNothing_data()
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

void TestDeploy::refusalsChangeNothing()
{
    QFETCH(QString, gamePath);
    QFETCH(QString, name);
    QFETCH(int, outcome);
    DeployFixture f;
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

void TestDeploy::archiveIsUnpackedIntoTheKeptCopy_data()
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
void TestDeploy::archiveIsUnpackedIntoTheKeptCopy()
{
    QFETCH(QString, top);
    QFETCH(QString, name);
    QFETCH(bool, strayKept);
    QFETCH(bool, damaged);
    QFETCH(int, outcome);
    DeployFixture f;
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
    QCOMPARE(DeployFixture::files(f.modStore + "/m"), kept);
    QCOMPARE(QDir(f.modStore).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"m"});
    // A reinstall needs only the kept copy.
    QVERIFY(QFile::remove(archive));
    QVERIFY(f.commands().uninstall("m").clean());
    QVERIFY(f.commands().reinstall("m").clean());
    QCOMPARE(f.gameFiles(), game);
}

void TestDeploy::uninstallRestoresAndDeletes()
{
    DeployFixture f;
    const FileMap original{{"abdata/G", "game G"}, {"UserData/cap/a.png", "png"}};
    f.writeGame(original);
    const QString mod = f.mod("m", {{"abdata/G", "mod G"}, {"abdata/new/N", "N"}});
    QVERIFY(f.commands().install(mod, "m").clean());

    const CommandReport report = f.commands().uninstall("m");
    QVERIFY(report.clean());
    QCOMPARE(f.gameFiles(), original);
    QVERIFY(!QFileInfo::exists(f.layout().backupFolder("m")));
    QVERIFY(QFileInfo(f.modStore + "/m").isDir());
    QCOMPARE(f.catalogue.m_mods.value("m").install, 0);
}

void TestDeploy::stackedModsUninstallInAnyOrder_data()
{
    QTest::addColumn<QStringList>("order");
    const QStringList mods{"A", "B", "C"};
    QStringList order = mods;
    std::sort(order.begin(), order.end());
    do {
        QTest::newRow(qPrintable(order.join(QString()))) << order;
    } while (std::next_permutation(order.begin(), order.end()));
}

void TestDeploy::stackedModsUninstallInAnyOrder()
{
    QFETCH(QStringList, order);
    DeployFixture f;
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
    QVERIFY(DeployFixture::files(f.dir.filePath("data")).isEmpty());
}

void TestDeploy::reinstallKeepsTheOtherModsVersion()
{
    DeployFixture f;
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

void TestDeploy::removalOfUninstalledModTouchesNoGameFile()
{
    DeployFixture f;
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

void TestDeploy::modFolderLinksAreNotFollowed()
{
#ifdef Q_OS_WIN
    QSKIP("needs symbolic links");
#endif
    DeployFixture f;
    TestFiles::write(f.dir.filePath("outside/secret.txt"), "secret");
    const QString mod = f.mod("m", {{"abdata/real.txt", "real"}});
    QVERIFY(QFile::link(f.dir.filePath("outside"), mod + "/abdata/linked"));
    QVERIFY(QFile::link(f.dir.filePath("outside/secret.txt"), mod + "/file-link.txt"));
    const FileMap outside = TestFiles::snapshot(f.dir.filePath("outside"));

    const CommandReport report = f.commands().install(mod, "m");
    QCOMPARE(report.leftAlone, 2);
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/real.txt", "real"}}));
    QCOMPARE(DeployFixture::files(f.modStore + "/m"), FileMap({{"abdata/real.txt", "real"}}));
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

void TestDeploy::copierKeepsItsPromises_data()
{
    QTest::addColumn<QString>("sourceFolder");
    QTest::addColumn<bool>("hashed");
    QTest::addColumn<QString>("destination");
    // The kernel copies within one file system; from tmpfs to the disk it
    // refuses, and so does it when a hash is asked: both go through a buffer.
    const QList<QPair<const char *, QString>> routes{{"kernel", QString()},
                                                     {"across file systems", "/dev/shm"}};
    for (const auto &route : routes) {
        for (const bool hashed : {false, true}) {
            for (const char *destination :
                 {"new", "larger file", "link", "same file", "/dev/full"}) {
                QTest::newRow(
                    qPrintable(QStringLiteral("%1%2, %3")
                                   .arg(route.first, hashed ? " hashed" : "", destination)))
                    << route.second << hashed << QString::fromLatin1(destination);
            }
        }
    }
}

void TestDeploy::copierKeepsItsPromises()
{
    QFETCH(QString, sourceFolder);
    QFETCH(bool, hashed);
    QFETCH(QString, destination);
    QTemporaryDir dir;
    QTemporaryDir other(sourceFolder.isEmpty() ? dir.filePath("src-XXXXXX")
                                               : sourceFolder + "/veldane-XXXXXX");
    if (!sourceFolder.isEmpty() && !other.isValid()) {
        QSKIP("no tmpfs at /dev/shm");
    }
    QByteArray content(300 * 1024 + 17, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (char &byte : content) {
        byte = char(random.bounded(256));
    }
    const QString source = other.filePath("source.bin");
    QVERIFY(TestFiles::write(source, content));
    const auto permissions =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup;
    QVERIFY(QFile::setPermissions(source, permissions));

    QString target = dir.filePath("target.bin");
    const QString linked = dir.filePath("linked.bin");
    if (destination == "larger file") {
        QVERIFY(TestFiles::write(target, QByteArray(content.size() * 2, 'x')));
    } else if (destination == "link") {
        QVERIFY(TestFiles::write(linked, "not to be written through"));
        QVERIFY(QFile::link(linked, target));
    } else if (destination == "same file") {
        target = source;
    } else if (destination.startsWith('/')) {
        if (!QFileInfo::exists(destination)) {
            QSKIP("no /dev/full");
        }
        target = destination;
    }

    FileCopier::CopyOptions options;
    QList<qint64> done;
    options.progress = [&](qint64 bytes, qint64 total) {
        QCOMPARE(total, qint64(content.size()));
        done << bytes;
    };
    options.step = 64 * 1024;
    quint64 hash = 0;
    options.hash = hashed ? &hash : nullptr;
    const bool copied = FileCopier::copy(source, target, options);

    if (target == "/dev/full") {
        QVERIFY(!copied);
        return;
    }
    QVERIFY(copied);
    QCOMPARE(TestFiles::read(target), content);
    QVERIFY(!QFileInfo(target).isSymLink());
    QCOMPARE(QFile::permissions(target), QFile::permissions(source));
    QCOMPARE(TestFiles::read(source), content);
    if (destination == "link") {
        QCOMPARE(TestFiles::read(linked), QByteArray("not to be written through"));
    }
    if (hashed) {
        QCOMPARE(hash, quint64(XXH3_64bits(content.constData(), size_t(content.size()))));
    }
    if (destination != "same file") {
        QVERIFY(done.size() >= 4);
        QVERIFY(std::is_sorted(done.cbegin(), done.cend()));
        QVERIFY(done.last() < content.size());
    }
}

void TestDeploy::largeFilesAreFreedInPiecesOnlyWhenUnshared_data()
{
    QTest::addColumn<bool>("moveOver");
    QTest::addColumn<bool>("secondName");
    QTest::newRow("delete") << false << false;
    QTest::newRow("delete, second name") << false << true;
    QTest::newRow("move over") << true << false;
    QTest::newRow("move over, second name") << true << true;
}

void TestDeploy::largeFilesAreFreedInPiecesOnlyWhenUnshared()
{
    QFETCH(bool, moveOver);
    QFETCH(bool, secondName);
    QTemporaryDir dir;
    const QString large = dir.filePath("large.bin");
    const qint64 size = qint64(80) << 20;
    {
        QFile file(large);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size) && file.seek(size - 1) &&
                file.putChar('L'));
    }
    const QString other = dir.filePath("other-name.bin");
    if (secondName) {
        std::error_code error;
        std::filesystem::create_hard_link(QFile::encodeName(large).constData(),
                                          QFile::encodeName(other).constData(), error);
        QVERIFY2(!error, error.message().c_str());
    }
    FileCopier::CopyOptions options;
    int calls = 0;
    options.progress = [&calls](qint64, qint64) { ++calls; };
    if (moveOver) {
        QVERIFY(TestFiles::write(dir.filePath("small.bin"), "small"));
        QVERIFY(FileCopier::move(dir.filePath("small.bin"), large, options));
        QCOMPARE(TestFiles::read(large), QByteArray("small"));
    } else {
        QVERIFY(FileCopier::remove(large, options));
        QVERIFY(!QFileInfo::exists(large));
    }
    // Nothing left beside: no piece, no second name of ours.
    QStringList expected;
    if (moveOver) {
        expected << "large.bin";
    }
    if (secondName) {
        expected << "other-name.bin";
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), expected);
    if (secondName) {
        QCOMPARE(QFileInfo(other).size(), size);
        QCOMPARE(calls, 0);
    } else {
        QVERIFY(calls >= 2);
    }
}

void TestDeploy::oneFileInTwoSpellingsIsOneStack_data()
{
    // After A (abdata/chara/Body.unity3d) and then B (AbData/Chara/body.unity3d)
    // are installed on a game that ignores case: uninstalls ("-") and
    // reinstalls ("+"), and what the game's one file holds after each.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("holds"); // "" when the file is gone
    QTest::newRow("lower first") << QStringList{"-A", "-B"} << QStringList{"B", ""};
    QTest::newRow("upper first") << QStringList{"-B", "-A"} << QStringList{"A", ""};
    QTest::newRow("lower reinstalled on top")
        << QStringList{"-A", "+A", "-B", "-A"} << QStringList{"B", "A", "A", ""};
    QTest::newRow("upper reinstalled, lower gone first")
        << QStringList{"-B", "+B", "-A", "-B"} << QStringList{"A", "B", "B", ""};
}

void TestDeploy::oneFileInTwoSpellingsIsOneStack()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, holds);
    PathCase::setForced(true);
    DeployFixture f;
    const FileMap original{{"abdata/list.txt", "game"}};
    f.writeGame(original);
    const QString file = "abdata/chara/Body.unity3d";
    QVERIFY(f.commands().install(f.mod("A", {{file, "A"}}), "A").clean());
    QVERIFY(f.commands().install(f.mod("B", {{"AbData/Chara/body.unity3d", "B"}}), "B").clean());

    // B wrote onto A's file and recorded it in the game's spelling, as a
    // replace one layer up; its kept copy keeps its own spelling.
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/list.txt", "game"}, {file, "B"}}));
    QCOMPARE(f.catalogue.m_mods.value("B").replace, QList<FileItem>({{2, f.game(file)}}));
    QCOMPARE(DeployFixture::files(f.layout().backupFolder("B")), FileMap({{file, "A"}}));
    QCOMPARE(DeployFixture::files(f.modStore + "/B"),
             FileMap({{"AbData/Chara/body.unity3d", "B"}}));
    // An older catalogue's other spelling is the same file to the index and
    // the relations dialog.
    const QString shouted = f.game("ABDATA/CHARA/BODY.UNITY3D");
    QCOMPARE(f.catalogue.installedItemCount(shouted), 2);
    QCOMPARE(OrderDlg::layersOf(f.catalogue.m_mods, shouted),
             QList<OrderDlg::Layer>({{2, "B"}, {1, "A"}}));

    for (int i = 0; i < steps.size(); ++i) {
        const QString id = steps.at(i).mid(1);
        const CommandReport report =
            steps.at(i).startsWith('-') ? f.commands().uninstall(id) : f.commands().reinstall(id);
        QVERIFY2(report.clean(), qPrintable(steps.at(i)));
        FileMap expected = original;
        if (!holds.at(i).isEmpty()) {
            expected.insert(file, holds.at(i).toUtf8());
        }
        QCOMPARE(f.gameFiles(), expected);
        QVERIFY(LayerStack::isNumbered(f.catalogue.m_mods));
    }
    QVERIFY(DeployFixture::files(f.dir.filePath("data")).isEmpty());
}

namespace {

// An exFAT file system through FUSE on a loop device: lookups there ignore
// letter case as on Windows. Needs root; its daemon has been seen to die in
// long runs, so each step has a time limit and the mount is always released.
class ExfatMount
{
public:
    ~ExfatMount()
    {
        if (m_mounted) {
            run({"umount", "-l", m_folder});
        }
        if (!m_device.isEmpty()) {
            run({"losetup", "-d", m_device});
        }
    }

    // Empty on success, else why it could not be mounted.
    QString mount(const QString &image, const QString &folder)
    {
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(32 * 1024 * 1024)) {
            return "cannot make the image file";
        }
        file.close();
        QString out;
        if (!run({"mkfs.exfat", image}, &out)) {
            return "mkfs.exfat: " + out;
        }
        if (!run({"losetup", "-f", "--show", image}, &out)) {
            return "losetup: " + out;
        }
        m_device = out.trimmed();
        QDir().mkpath(folder);
        if (!run({"mount.exfat-fuse", m_device, folder}, &out)) {
            return "mount.exfat-fuse: " + out;
        }
        m_folder = folder;
        m_mounted = true;
        return QString();
    }

private:
    static bool run(QStringList command, QString *output = nullptr)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start("timeout", QStringList{"30"} + command);
        const bool finished = process.waitForFinished(40000);
        if (output) {
            *output = finished ? QString::fromLocal8Bit(process.readAll()) : process.errorString();
        }
        return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    QString m_device;
    QString m_folder;
    bool m_mounted = false;
};

} // namespace

void TestDeploy::caseBlindFileSystemIsFoundAndShared()
{
#ifndef Q_OS_LINUX
    QSKIP("mounts exFAT through FUSE on a Linux loop device");
#endif
    DeployFixture f;
    ExfatMount exfat;
    const QString why = exfat.mount(f.dir.filePath("exfat.img"), f.dir.filePath("exfat"));
    if (!why.isEmpty()) {
        QSKIP(qPrintable("no exFAT mount here (needs root, exfat-fuse, exfatprogs): " + why));
    }
    f.gamePath = f.dir.filePath("exfat/game") + QDir::separator();
    // An empty game folder is looked up under its own name.
    QVERIFY(QDir().mkpath(f.gamePath));
    QVERIFY(!PathCase::ignoresCase());
    QVERIFY(PathCase::probe(f.gamePath));
    const FileMap original{{"abdata/list.txt", "game"}};
    f.writeGame(original);
    const QString file = "abdata/chara/Body.unity3d";
    QVERIFY(f.commands().install(f.mod("A", {{file, "A"}}), "A").clean());
    QVERIFY(PathCase::ignoresCase());
    QVERIFY(f.commands().install(f.mod("B", {{"AbData/Chara/body.unity3d", "B"}}), "B").clean());
    QCOMPARE(f.catalogue.m_mods.value("B").replace, QList<FileItem>({{2, f.game(file)}}));

    // The order that once restored into the game a file it never had.
    QVERIFY(f.commands().uninstall("A").clean());
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/list.txt", "game"}, {file, "B"}}));
    QVERIFY(f.commands().uninstall("B").clean());
    QCOMPARE(f.gameFiles(), original);
}

QTEST_GUILESS_MAIN(TestDeploy)
#include "tst_deploy.moc"
