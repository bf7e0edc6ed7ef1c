#include "support/testarchive.h"
#include "support/testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

using FileMap = QMap<QString, QByteArray>;

// veldane-cli run as a real process on a prepared workspace folder.
class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void scriptedSession();
    void refusalsChangeNothing_data();
    void refusalsChangeNothing();
    void removalAsksOnATerminal_data();
    void removalAsksOnATerminal();
    void usageErrors_data();
    void usageErrors();
    void speaksTheChosenLanguage_data();
    void speaksTheChosenLanguage();
    void severalModsAtOnce();
    void listSortsByInstallTime();
};

namespace {

struct Run
{
    int status = -1;
    QByteArray out;
    QString err;

    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

// A workspace with one game, HoneySelect, whose folder holds abdata/G, and
// two overlapping mods beside it: Lower as a folder, Upper as a zip archive
// that packs everything inside one folder named after the mod, folder entries
// included, as zip tools write it.
struct Sandbox
{
    Sandbox()
    {
        game = dir.filePath("game");
        TestFiles::write(game + "/abdata/G", "game G");
        setLanguage(QByteArray());
        TestFiles::write(dir.filePath("Lower/abdata/G"), "lower G");
        TestFiles::write(dir.filePath("Lower/abdata/L"), "lower L");
        zipped =
            TestArchive::write(dir.filePath("Upper.zip"), TestArchive::Format::Zip,
                               {TestArchive::folder("Upper/"), TestArchive::folder("Upper/abdata/"),
                                TestArchive::file("Upper/abdata/G", "upper G"),
                                TestArchive::file("Upper/abdata/U", "upper U")});
    }

    // The interface language stored in the settings; none when empty. The
    // game folder is written as the settings dialog writes it, with the
    // system's separators (a backslash doubled, as QSettings escapes it),
    // unless `gamePath` spells it otherwise, as a hand-edited file may.
    void setLanguage(const QByteArray &language, const QString &gamePath = QString()) const
    {
        const QByteArray folder =
            (gamePath.isEmpty() ? gameFolder() : gamePath).toUtf8().replace('\\', "\\\\");
        TestFiles::write(dir.filePath("work/Veldane.ini"),
                         "[Global]\nSelect=HoneySelect\n" +
                             (language.isEmpty() ? QByteArray() : "Language=" + language + "\n") +
                             "[HoneySelect]\nGamePath=" + folder + "\n");
    }
    QString gameFolder() const { return TestFiles::native(game + '/'); }

    Run cli(const QStringList &args, const QString &workingDir = QString()) const
    {
        QProcess process;
        process.setWorkingDirectory(workingDir.isEmpty() ? dir.path() : workingDir);
        process.start(QStringLiteral(VELDANE_CLI_EXE),
                      workingDir.isEmpty() ? QStringList{"--workdir", work()} + args : args);
        process.closeWriteChannel();
        Run run;
        if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
            run.status = process.exitCode();
        }
        run.out = process.readAllStandardOutput();
        run.err = QString::fromUtf8(process.readAllStandardError());
#ifdef Q_OS_WIN
        // A Windows console program ends its lines with CR LF.
        run.out.replace("\r\n", "\n");
        run.err.replace("\r\n", "\n");
#endif
        return run;
    }

    QString work() const { return dir.filePath("work"); }
    FileMap everything() const { return TestFiles::snapshot(dir.path()); }
    FileMap gameFiles() const
    {
        FileMap files = TestFiles::snapshot(game);
        files.remove("abdata");
        return files;
    }

    QTemporaryDir dir;
    QString game;
    bool zipped = false;
};

QString gameFile(const Sandbox &s, const QString &name)
{
    return TestFiles::native(s.game + "/abdata/" + name);
}

} // namespace

void TestCli::scriptedSession()
{
    Sandbox s;
    QVERIFY(s.zipped);

    // A dry run on a fresh workspace creates not even config/ or log/.
    FileMap before = s.everything();
    Run run = s.cli({"install", "--dry-run", "--json", s.dir.filePath("Upper.zip"), "Upper"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.json().value("added").toArray(), QJsonArray({gameFile(s, "U")}));
    QCOMPARE(run.json().value("replaced").toArray(),
             QJsonArray({QJsonObject{{"path", gameFile(s, "G")}, {"providedBy", QJsonValue()}}}));
    QCOMPARE(s.everything(), before);
    // With the game folder typed with forward slashes too, the text names
    // the files with the system's separators throughout.
    s.setLanguage(QByteArray(), s.game + '/');
    run = s.cli({"install", "--dry-run", s.dir.filePath("Upper.zip"), "Upper"});
    s.setLanguage(QByteArray());
    QCOMPARE(
        QString::fromUtf8(run.out),
        QStringLiteral("增加\t%1\n替换\t%2\t游戏原文件\n").arg(gameFile(s, "U"), gameFile(s, "G")));
    QCOMPARE(s.everything(), before);

    run = s.cli({"install", s.dir.filePath("Lower"), "Lower"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray("安装成功!\n"));
    QVERIFY(run.err.isEmpty());

    before = s.everything();
    run = s.cli({"install", "--dry-run", s.dir.filePath("Upper.zip"), "Upper"});
    QCOMPARE(run.status, 0);
    QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("增加\t%1\n替换\t%2\t来自“Lower”\n")
                                             .arg(gameFile(s, "U"), gameFile(s, "G")));
    QCOMPARE(s.everything(), before);

    // From the workspace itself, without --workdir: the archive's one folder
    // is unwrapped as on a drop.
    run = s.cli({"install", s.dir.filePath("Upper.zip"), "Upper"}, s.work());
    QCOMPARE(run.status, 0);
    QCOMPARE(s.gameFiles(),
             FileMap({{"abdata/G", "upper G"}, {"abdata/L", "lower L"}, {"abdata/U", "upper U"}}));

    run = s.cli({"list", "--json"});
    QCOMPARE(run.status, 0);
    const QJsonArray mods = run.json().value("mods").toArray();
    QCOMPARE(mods.size(), 2);
    QCOMPARE(mods.at(0).toObject().value("name").toString(), QStringLiteral("Lower"));
    QCOMPARE(mods.at(0).toObject().value("installed").toBool(), true);
    QCOMPARE(mods.at(0).toObject().value("added").toInt(), 1);
    QCOMPARE(mods.at(0).toObject().value("replaced").toInt(), 1);
    QCOMPARE(mods.at(1).toObject().value("name").toString(), QStringLiteral("Upper"));

    run = s.cli({"files", "Lower", "--json"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.json().value("files").toArray(),
             QJsonArray({QJsonObject{{"path", gameFile(s, "L")},
                                     {"operation", "added"},
                                     {"layer", 1},
                                     {"overwritten", false},
                                     {"overwrittenBy", QJsonValue()}},
                         QJsonObject{{"path", gameFile(s, "G")},
                                     {"operation", "replaced"},
                                     {"layer", 1},
                                     {"overwritten", true},
                                     {"overwrittenBy", "Upper"}}}));

    // Verify names the file edited by hand, and only that one; the same bytes
    // written back count as unchanged again.
    QVERIFY(TestFiles::write(s.game + "/abdata/U", "edited U"));
    run = s.cli({"verify", "--json"});
    QCOMPARE(run.status, 0);
    const QJsonArray checks = run.json().value("mods").toArray();
    QCOMPARE(checks.size(), 2);
    QCOMPARE(checks.at(1).toObject().value("mod").toString(), QStringLiteral("Upper"));
    QCOMPARE(checks.at(1).toObject().value("changed").toArray(), QJsonArray({gameFile(s, "U")}));
    QCOMPARE(checks.at(0).toObject().value("changed").toArray(), QJsonArray());
    // An uninstall names the edited file and how to answer, and changes
    // nothing; keeping the change sets the mod's own version aside.
    before = s.everything();
    run = s.cli({"uninstall", "Upper"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(gameFile(s, "U")) && run.err.contains("--keep-changed"),
             qPrintable(run.err));
    QCOMPARE(s.everything(), before);
    run = s.cli({"uninstall", "--keep-changed", "Upper"});
    QCOMPARE(run.status, 0);
    QCOMPARE(s.gameFiles(),
             FileMap({{"abdata/G", "lower G"}, {"abdata/L", "lower L"}, {"abdata/U", "edited U"}}));
    QVERIFY(QFile::remove(s.game + "/abdata/U"));
    QCOMPARE(s.cli({"reinstall", "Upper"}).status, 0);
    run = s.cli({"verify", "Upper"});
    QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("Upper\t改动 0，缺失 0，未改动 2\n"));

    // Uninstalling the lower layer leaves the upper version in the game.
    run = s.cli({"uninstall", "Lower"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray("卸载成功!\n"));
    QCOMPARE(s.gameFiles(), FileMap({{"abdata/G", "upper G"}, {"abdata/U", "upper U"}}));
    run = s.cli({"files", "Upper"});
    QCOMPARE(QString::fromUtf8(run.out),
             QStringLiteral("增加\t1\t%1\n替换\t1\t%2\n").arg(gameFile(s, "U"), gameFile(s, "G")));

    // Without a terminal to ask, removal needs --yes.
    before = s.everything();
    run = s.cli({"remove", "Upper"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("--yes"), qPrintable(run.err));
    QCOMPARE(s.everything(), before);
    run = s.cli({"remove", "--yes", "Upper"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray("移除成功!\n"));
    QCOMPARE(s.gameFiles(), FileMap({{"abdata/G", "game G"}}));

    run = s.cli({"list"});
    QCOMPARE(QString::fromUtf8(run.out).section('\t', 0, 1), QStringLiteral("Lower\t未安装"));
    run = s.cli({"games", "--json"});
    QCOMPARE(run.json(), QJsonObject({{"selected", "HoneySelect"},
                                      {"games", QJsonArray({QJsonObject{{"name", "HoneySelect"},
                                                                        {"folder", s.gameFolder()},
                                                                        {"selected", true}}})}}));
}

void TestCli::refusalsChangeNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("settings"); // replaces Veldane.ini when not empty
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("dropKeptCopy");    // of the installed mod Lower
    QTest::addColumn<QByteArray>("catalogue"); // replaces the game's when not empty
    const auto row = [](const char *name, const QStringList &args, const QByteArray &settings,
                        const QString &reason, bool dropKeptCopy = false,
                        const QByteArray &catalogue = QByteArray()) {
        QTest::newRow(name) << args << settings << reason << dropKeptCopy << catalogue;
    };

    const QByteArray noFolder =
        "[Global]\nSelect=HoneySelect\n[HoneySelect]\nGamePath=/nonexistent/"
        "veldane/\n";
    row("name taken", QStringList{"install", "@/Lower", "Lower"}, QByteArray(),
        "已有名为“Lower”的MOD，未做任何改动。请换一个名称。");
    row("name taken, dry run", QStringList{"install", "--dry-run", "@/Lower", "Lower"},
        QByteArray(), "已有名为“Lower”的MOD，未做任何改动。请换一个名称。");
    row("unsafe name", QStringList{"install", "@/Lower", "con"}, QByteArray(),
        "MOD名“con”不能用作文件夹名，未做任何改动。");
    row("no game folder", QStringList{"install", "@/Lower", "Other"}, noFolder,
        "游戏目录未设置或不存在");
    row("no game folder, dry run",
        QStringList{"install", "--dry-run", "--json", "@/Lower", "Other"}, noFolder,
        "游戏目录未设置或不存在");
    row("not a mod", QStringList{"install", "@/work/Veldane.ini", "Other"}, QByteArray(),
        "只能安装MOD文件夹或 zip、7z、rar 压缩包");
    row("damaged archive", QStringList{"install", "@/bad.zip", "Other"}, QByteArray(),
        "压缩包“bad.zip”未安装");
    row("overlaps game", QStringList{"install", "@/game", "Other"}, QByteArray(),
        "所选文件夹与游戏目录重叠");
    row("unknown mod", QStringList{"files", "Nope"}, QByteArray(), "找不到MOD“Nope”的记录。");
    row("remove unknown", QStringList{"remove", "--yes", "Nope"}, QByteArray(),
        "找不到MOD“Nope”的记录。");
    row("already installed", QStringList{"reinstall", "Lower"}, QByteArray(), "MOD已经安装!");
    row("unknown game", QStringList{"--game", "Nope", "list"}, QByteArray(), "找不到游戏“Nope”");
    row("unsafe game", QStringList{"--game", "..", "list"}, QByteArray(),
        "游戏名“..”不能用作文件夹名");
    // Without its kept copy, uninstalling means removing, which asks first.
    row("uninstall without kept copy", {"uninstall", "Lower"}, QByteArray(), "--yes", true);
    row("damaged catalogue", {"list"}, QByteArray(), "无法读取MOD记录", false, "<HoneySelect><mod");
    row("no game at all", QStringList{"list"}, QByteArray("[Global]\nBakPath=x\n"),
        "无法获取游戏路径");
}

void TestCli::refusalsChangeNothing()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, settings);
    QFETCH(QString, reason);
    QFETCH(bool, dropKeptCopy);
    QFETCH(QByteArray, catalogue);

    Sandbox s;
    TestFiles::write(s.dir.filePath("bad.zip"), "PK\x03\x04 not really a zip");
    QCOMPARE(s.cli({"install", s.dir.filePath("Lower"), "Lower"}).status, 0);
    if (!settings.isEmpty()) {
        TestFiles::write(s.work() + "/Veldane.ini", settings);
    }
    if (!catalogue.isEmpty()) {
        TestFiles::write(s.work() + "/config/HoneySelect.xml", catalogue);
    }
    if (dropKeptCopy) {
        QVERIFY(QDir(s.work() + "/mod/HoneySelect/Lower").removeRecursively());
    }
    args.replaceInStrings(QRegularExpression("^@"), s.dir.path());

    const FileMap before = s.everything();
    const Run run = s.cli(args);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(reason), qPrintable(run.err));
    QCOMPARE(s.everything(), before);
}

void TestCli::removalAsksOnATerminal_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("removed");
    QTest::newRow("no") << QByteArray("n\n") << 1 << false;
    QTest::newRow("nothing") << QByteArray("\n") << 1 << false;
    QTest::newRow("yes") << QByteArray("y\n") << 0 << true;
}

void TestCli::removalAsksOnATerminal()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, status);
    QFETCH(bool, removed);
#ifdef Q_OS_WIN
    QSKIP("needs a terminal for the tool's input; Windows has no script(1) to make one");
#endif

    Sandbox s;
    QCOMPARE(s.cli({"install", s.dir.filePath("Lower"), "Lower"}).status, 0);
    const FileMap before = s.everything();

    // script(1) runs the tool on a pseudo-terminal and passes the answer on.
    QProcess process;
    process.start("script", {"-qec",
                             QStringLiteral("%1 --workdir %2 remove Lower")
                                 .arg(QStringLiteral(VELDANE_CLI_EXE), s.work()),
                             "/dev/null"});
    QVERIFY(process.waitForStarted(10000));
    process.write(answer);
    QVERIFY(process.waitForFinished(60000));
    const QString shown = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(shown.contains(QStringLiteral("MOD将会完全被移除，是否继续操作! [y/N]")),
             qPrintable(shown));
    QCOMPARE(process.exitCode(), status);
    if (removed) {
        QCOMPARE(s.gameFiles(), FileMap({{"abdata/G", "game G"}}));
        QVERIFY(!QFileInfo::exists(s.work() + "/mod/HoneySelect/Lower"));
    } else {
        QCOMPARE(s.everything(), before);
    }
}

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no command") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"check"};
    QTest::newRow("verify of two mods") << QStringList{"verify", "a", "b"};
    QTest::newRow("missing argument") << QStringList{"install", "folder"};
    QTest::newRow("extra argument") << QStringList{"list", "x"};
    QTest::newRow("unknown option") << QStringList{"list", "--force"};
    QTest::newRow("json without output") << QStringList{"uninstall", "--json", "x"};
    QTest::newRow("dry run of removal") << QStringList{"remove", "--dry-run", "x"};
    QTest::newRow("yes for a listing") << QStringList{"list", "--yes"};
    QTest::newRow("change decision for an install")
        << QStringList{"reinstall", "--keep-changed", "x"};
    QTest::newRow("both change decisions")
        << QStringList{"uninstall", "--keep-changed", "--restore-anyway", "x"};
    QTest::newRow("workdir twice") << QStringList{"--workdir", ".", "list"};
    QTest::newRow("missing workdir") << QStringList{"--workdir", "/nonexistent/veldane", "list"};
    QTest::newRow("unknown language") << QStringList{"--lang", "fr", "list"};
    QTest::newRow("language twice") << QStringList{"--lang", "en", "--lang=zh", "list"};
    QTest::newRow("batch of nothing") << QStringList{"install", "--batch"};
    QTest::newRow("batch for an uninstall") << QStringList{"uninstall", "--batch", "x", "y"};
    QTest::newRow("unknown sort") << QStringList{"list", "--sort", "size"};
    QTest::newRow("sort of an install") << QStringList{"install", "--sort", "time", "x", "y"};
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, args);
    Sandbox s;
    const FileMap before = s.everything();
    const Run run = s.cli(args);
    QCOMPARE(run.status, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY(!run.err.isEmpty());
    QCOMPARE(s.everything(), before);
}

// Messages, refusals and usage come in the language of --lang, or else of the
// settings, whatever the system's locale.
void TestCli::speaksTheChosenLanguage_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("expected"); // in standard output, or else in standard error

    const QStringList unknownMod{"files", "Nope"};
    QTest::newRow("default") << QByteArray() << unknownMod << 1 << "找不到MOD“Nope”的记录。";
    QTest::newRow("settings") << QByteArray("en") << unknownMod << 1
                              << "There is no record of the mod “Nope”.";
    QTest::newRow("option") << QByteArray() << QStringList{"--lang", "en"} + unknownMod << 1
                            << "There is no record of the mod “Nope”.";
    QTest::newRow("option over settings")
        << QByteArray("en") << QStringList{"--lang=zh"} + unknownMod << 1
        << "找不到MOD“Nope”的记录。";
    QTest::newRow("usage") << QByteArray() << QStringList{"--help", "--lang", "en"} << 0
                           << "Usage: veldane-cli";
    QTest::newRow("usage error") << QByteArray("en") << QStringList{"check"} << 2
                                 << "Unknown command “check”";
    // Refusals of a mod source and of a batch's rows, worded by the same unit.
    QTest::newRow("not a mod") << QByteArray("en")
                               << QStringList{"install", "/nonexistent-veldane-mod", "X"} << 1
                               << "Only mod folders and zip, 7z or rar archives can be installed";
    QTest::newRow("batch rows") << QByteArray("en")
                                << QStringList{"install", "--batch", "/nonexistent-veldane-a",
                                               "/nonexistent-veldane-b"}
                                << 1 << "Not a mod folder or a zip, 7z or rar archive";
}

void TestCli::speaksTheChosenLanguage()
{
    QFETCH(QByteArray, stored);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, expected);
    Sandbox s;
    s.setLanguage(stored);
    const Run run = s.cli(args);
    QCOMPARE(run.status, status);
    const QString shown = QString::fromUtf8(run.out) + run.err;
    QVERIFY2(shown.contains(expected), qPrintable(shown));
    // Nothing of the other language slips through.
    const QRegularExpression chinese("[\\x{4e00}-\\x{9fff}]");
    QCOMPARE(shown.contains(chinese), expected.contains(chinese));
}

void TestCli::severalModsAtOnce()
{
    Sandbox s;
    QVERIFY(s.zipped);
    QVERIFY(TestArchive::write(
        s.dir.filePath("Hostile.zip"), TestArchive::Format::Zip,
        {TestArchive::file("abdata/H", "h"), TestArchive::file("../../escape", "x")}));
    // Every refusal is told, and nothing is copied, when any one is refused.
    FileMap before = s.everything();
    Run run = s.cli({"install", "--batch", s.dir.filePath("Lower"), s.dir.filePath("Hostile.zip"),
                     s.dir.filePath("Upper.zip"), s.game});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("Hostile.zip（MOD名“Hostile”）：压缩包") &&
                 run.err.contains("所选文件夹与游戏目录重叠") &&
                 run.err.endsWith("未做任何改动。\n") && !run.err.contains("Upper"),
             qPrintable(run.err));
    QCOMPARE(s.everything(), before);

    run = s.cli({"install", "--batch", s.dir.filePath("Lower"), s.dir.filePath("Upper.zip")});
    QCOMPARE(run.status, 0);
    QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("已安装 2 个MOD：Lower、Upper。\n"));
    QCOMPARE(s.gameFiles(),
             FileMap({{"abdata/G", "upper G"}, {"abdata/L", "lower L"}, {"abdata/U", "upper U"}}));
    const QJsonArray mods = s.cli({"list", "--json"}).json().value("mods").toArray();
    QCOMPARE(mods.size(), 2);
    QCOMPARE(mods.at(0)["overwrites"].toInt(), 0);
    QCOMPARE(mods.at(0)["overwritten_by"].toInt(), 1);
    QCOMPARE(mods.at(1)["overwrites"].toInt(), 1);
    QCOMPARE(mods.at(1)["overwritten_by"].toInt(), 0);

    run = s.cli({"uninstall", "Upper", "Lower"});
    QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("已卸载 2 个MOD：Upper、Lower。\n"));
    QCOMPARE(s.gameFiles(), FileMap({{"abdata/G", "game G"}}));

    // Stops at the first mod refused, after doing the ones before it.
    QVERIFY(QDir(s.work() + "/mod/HoneySelect/Lower").removeRecursively());
    run = s.cli({"reinstall", "Upper", "Lower"});
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, QStringLiteral("已安装 1 个MOD：Upper。\n在“Lower”处停止：安装失败!\n"));
    QCOMPARE(s.gameFiles(), FileMap({{"abdata/G", "upper G"}, {"abdata/U", "upper U"}}));

    run = s.cli({"remove", "--yes", "Lower", "Upper"});
    QCOMPARE(run.status, 0);
    QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("已移除 2 个MOD：Lower、Upper。\n"));
    QCOMPARE(s.gameFiles(), FileMap({{"abdata/G", "game G"}}));
    QCOMPARE(s.cli({"list"}).out, QByteArray());
}

void TestCli::listSortsByInstallTime()
{
    Sandbox s;
    QString xml = "<HoneySelect>";
    for (const auto &[mod, time] :
         {std::pair{"a", "2016-12-1 08:00:00"}, std::pair{"b", "2016-5-3 09:07:05"},
          std::pair{"c", "2016-10-20 10:00:00"}}) {
        xml += QStringLiteral("<mod id=\"%1\"><info/><time>%2</time><install>0</install>"
                              "<replace/><add/></mod>")
                   .arg(mod, time);
    }
    TestFiles::write(s.work() + "/config/HoneySelect.xml", (xml + "</HoneySelect>").toUtf8());
    const auto names = [&s](const QStringList &args) {
        QStringList names;
        for (const QJsonValue &mod : s.cli(args).json().value("mods").toArray()) {
            names << mod["name"].toString();
        }
        return names;
    };
    QCOMPARE(names({"list", "--json"}), QStringList({"a", "b", "c"}));
    QCOMPARE(names({"list", "--json", "--sort", "name"}), QStringList({"a", "b", "c"}));
    // Not the order of the text: the dates are not zero-padded.
    QCOMPARE(names({"list", "--json", "--sort", "time"}), QStringList({"b", "c", "a"}));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
