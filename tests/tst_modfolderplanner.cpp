#include "config/gameinfo.h"
#include "deploy/modfolderplanner.h"
#include "support/sandbox.h"

#include <QtTest>

// How a mod folder is walked into a plan, and that the install follows it.
class TestModFolderPlanner : public QObject
{
    Q_OBJECT

private slots:
    void walkOrderMirrorsWholeNamesAndSkipsHidden();
};

void TestModFolderPlanner::walkOrderMirrorsWholeNamesAndSkipsHidden()
{
    Sandbox f;
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
    QCOMPARE(Sandbox::files(f.modStore + "/walk"), f.gameFiles());
    const ModRecord record = f.catalogue.m_mods.value("walk");
    QCOMPARE(record.add.size(), 5);
    QCOMPARE(record.add.first().path, f.game("B/deep/y.txt"));
}

QTEST_GUILESS_MAIN(TestModFolderPlanner)
#include "tst_modfolderplanner.moc"
