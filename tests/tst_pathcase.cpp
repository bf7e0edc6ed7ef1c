#include "deploy/layerstack.h"
#include "gui/orderdlg.h"
#include "platform/pathcase.h"
#include "support/sandbox.h"

#include <QProcess>
#include <QtTest>

// The case rules: on a game folder that ignores letter case, two spellings of
// one path are one game file, one stack and one record.
class TestPathCase : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void oneFileInTwoSpellingsIsOneStack_data();
    void oneFileInTwoSpellingsIsOneStack();
    void caseBlindFileSystemIsFoundAndShared();
};

void TestPathCase::cleanup()
{
    // Back to what this machine's own folders say.
    PathCase::setForced(false);
    PathCase::probe(QString());
}

void TestPathCase::oneFileInTwoSpellingsIsOneStack_data()
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

void TestPathCase::oneFileInTwoSpellingsIsOneStack()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, holds);
    PathCase::setForced(true);
    Sandbox f;
    const FileMap original{{"abdata/list.txt", "game"}};
    f.writeGame(original);
    const QString file = "abdata/chara/Body.unity3d";
    QVERIFY(f.commands().install(f.mod("A", {{file, "A"}}), "A").clean());
    QVERIFY(f.commands().install(f.mod("B", {{"AbData/Chara/body.unity3d", "B"}}), "B").clean());

    // B wrote onto A's file and recorded it in the game's spelling, as a
    // replace one layer up; its kept copy keeps its own spelling.
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/list.txt", "game"}, {file, "B"}}));
    QCOMPARE(f.catalogue.m_mods.value("B").replace, QList<FileItem>({{2, f.game(file)}}));
    QCOMPARE(Sandbox::files(f.layout().backupFolder("B")), FileMap({{file, "A"}}));
    QCOMPARE(Sandbox::files(f.modStore + "/B"), FileMap({{"AbData/Chara/body.unity3d", "B"}}));
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
    QVERIFY(Sandbox::files(f.dir.filePath("data")).isEmpty());
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

void TestPathCase::caseBlindFileSystemIsFoundAndShared()
{
#ifndef Q_OS_LINUX
    QSKIP("mounts exFAT through FUSE on a Linux loop device");
#endif
    Sandbox f;
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

QTEST_GUILESS_MAIN(TestPathCase)
#include "tst_pathcase.moc"
