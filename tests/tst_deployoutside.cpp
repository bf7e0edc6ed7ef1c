#include "support/sandbox.h"

#include <QFile>
#include <QtTest>

// Uninstall and removal with catalogues that point outside the game folder.
class TestDeployOutside : public QObject
{
    Q_OBJECT

private slots:
    void outsidePathsAreLeftAlone_data();
    void outsidePathsAreLeftAlone();
    void recordUnderOldGameFolderChangesNothing_data();
    void recordUnderOldGameFolderChangesNothing();
};

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

void TestDeployOutside::outsidePathsAreLeftAlone_data()
{
    QTest::addColumn<bool>("remove");
    QTest::newRow("uninstall") << false;
    QTest::newRow("remove") << true;
}

void TestDeployOutside::outsidePathsAreLeftAlone()
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

void TestDeployOutside::recordUnderOldGameFolderChangesNothing_data()
{
    QTest::addColumn<bool>("remove");
    QTest::newRow("uninstall") << false;
    QTest::newRow("remove") << true;
}

void TestDeployOutside::recordUnderOldGameFolderChangesNothing()
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

QTEST_GUILESS_MAIN(TestDeployOutside)
#include "tst_deployoutside.moc"
