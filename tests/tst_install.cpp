#include "gui/mainwindow.h"
#include "log/ceasylog.h"
#include "support/modalanswerer.h"
#include "support/sandbox.h"
#include "support/testsupport.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

// The mod commands driven through the main window, as a user would.
class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void installFromChosenFolder();
    void withoutGameFolderNothingIsAsked_data();
    void withoutGameFolderNothingIsAsked();
    void nameAlreadyInCatalogueIsRefused();
    void uninstallAndReinstallFromKeptCopy();
    void largeFileKeepsTheWindowAnswering_data();
    void largeFileKeepsTheWindowAnswering();
    void missingKeptCopyTurnsUninstallIntoRemoval_data();
    void missingKeptCopyTurnsUninstallIntoRemoval();
    void failedBackupsAreReportedWithTheLog();
    void userDataRowsPerGame_data();
    void userDataRowsPerGame();
};

namespace {

ModalAnswerer::Handler typeName(const QString &name)
{
    return [name](QWidget *modal) {
        auto *edit = modal->findChild<QLineEdit *>("lineEdit");
        auto *button = modal->findChild<QPushButton *>("pushButton");
        if (!edit || !button) {
            static_cast<QDialog *>(modal)->reject();
            return;
        }
        edit->setText(name);
        button->click();
    };
}

void run(MainWindow &window, const char *slot)
{
    QVERIFY(QMetaObject::invokeMethod(&window, slot));
}

QString treeColourOf(MainWindow &window, const QString &id)
{
    auto *tree = window.findChild<QTreeWidget *>("treeWidget");
    const auto found = tree->findItems(id, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? QString() : found.first()->foreground(0).color().name();
}

// Looks at the busy indicator every 10 ms while a command runs and counts how
// often its value went up, which it can only do while the window answers.
// How long the window may stand still is a figure of the stall benchmark.
struct EventLoopWatch
{
    explicit EventLoopWatch(const MainWindow &window)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, &window] {
            const QProgressDialog *dialog = window.progress().dialog();
            if (dialog && dialog->isVisible() && dialog->value() > lastValue) {
                ++rises;
            }
            lastValue = dialog ? dialog->value() : -1;
        });
    }
    void start()
    {
        rises = 0;
        lastValue = -1;
        timer.start(10);
    }
    void stop() { timer.stop(); }

    QTimer timer;
    int rises = 0;
    int lastValue = -1;
};

bool progressHidden(const MainWindow &window)
{
    return !window.progress().dialog() || !window.progress().dialog()->isVisible();
}

} // namespace

void TestInstall::installFromChosenFolder()
{
    Sandbox w(Sandbox::NoCatalogue);
    TestFiles::write(w.gamePath + "abdata/G", "game G");
    const QString mod = w.mod("Pack", {{"abdata/G", "mod G"}, {"UserData/card.png", "card"}});
    MainWindow window;
    QVERIFY(window.isReady());

    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::chooseFile(mod));
    answerer.expect(typeName("Pack"));
    answerer.expect(ModalAnswerer::pressButton());
    window.findChild<QPushButton *>("buttonInstall")->click();
    QVERIFY(answerer.waitUntilAnswered());
    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(answerer.messages().last(), QStringLiteral("提示|安装成功!"));

    QCOMPARE(w.gameFiles(), FileMap({{"abdata/G", "mod G"}, {"UserData/card.png", "card"}}));
    QCOMPARE(window.modName(), QStringLiteral("Pack"));
    QCOMPARE(window.modCfg().m_mods.value("Pack").install, 1);
    QCOMPARE(treeColourOf(window, "Pack"), QColor(46, 139, 87).name());
    QVERIFY(progressHidden(window));
}

void TestInstall::withoutGameFolderNothingIsAsked_data()
{
    QTest::addColumn<QByteArray>("gamePath");
    QTest::newRow("missing folder") << QByteArray("/nonexistent/veldane/game/");
    QTest::newRow("relative path") << QByteArray("game/");
}

void TestInstall::withoutGameFolderNothingIsAsked()
{
    QFETCH(QByteArray, gamePath);
    ScopedWorkingDir dir;
    TestFiles::write("Veldane.ini",
                     "[Global]\nSelect=HoneySelect\n[HoneySelect]\nGamePath=" + gamePath + "\n");
    QDir().mkpath("game");
    MainWindow window;
    const FileMap before = TestFiles::snapshot(dir.path());

    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton());
    window.findChild<QPushButton *>("buttonInstall")->click();
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages(),
             QStringList("提示|游戏目录未设置或不存在，未做任何改动。请先在设置中选择游戏目录。"));
    QCOMPARE(TestFiles::snapshot(dir.path()), before);
}

void TestInstall::nameAlreadyInCatalogueIsRefused()
{
    Sandbox w(Sandbox::NoCatalogue);
    MainWindow window;
    ModalAnswerer answerer;
    answerer.expect(typeName("Pack"));
    answerer.expect(ModalAnswerer::pressButton());
    window.installModFolder(w.mod("first", {{"abdata/A", "first"}}));
    QVERIFY(answerer.waitUntilAnswered());
    const FileMap before = TestFiles::snapshot(w.dir.path());

    answerer.expect(typeName("Pack"));
    answerer.expect(ModalAnswerer::pressButton());
    const QString second = w.mod("second", {{"abdata/A", "second"}});
    const FileMap withSecond = TestFiles::snapshot(w.dir.path());
    window.installModFolder(second, "second");
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages().last(),
             QStringLiteral("提示|已有名为“Pack”的MOD，未做任何改动。请换一个名称。"));
    QCOMPARE(TestFiles::snapshot(w.dir.path()), withSecond);
    QVERIFY(before.size() < withSecond.size());
    QVERIFY(answerer.unexpected().isEmpty());
}

void TestInstall::uninstallAndReinstallFromKeptCopy()
{
    Sandbox w(Sandbox::NoCatalogue);
    const FileMap original{{"abdata/G", "game G"}};
    TestFiles::write(w.gamePath + "abdata/G", "game G");
    const QString mod = w.mod("m", {{"abdata/G", "mod G"}, {"abdata/N", "mod N"}});
    MainWindow window;
    ModalAnswerer answerer;
    answerer.expect(typeName("m"));
    answerer.expect(ModalAnswerer::pressButton());
    window.installModFolder(mod);
    QVERIFY(answerer.waitUntilAnswered());
    const FileMap installed = w.gameFiles();

    answerer.expect(ModalAnswerer::pressButton());
    run(window, "sltUninstall");
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages().last(), QStringLiteral("提示|卸载成功!"));
    QCOMPARE(w.gameFiles(), original);
    QCOMPARE(treeColourOf(window, "m"), QColor(Qt::red).name());
    QVERIFY(progressHidden(window));

    // The user's own folder changes; the reinstall uses the kept copy.
    TestFiles::write(mod + "/abdata/G", "edited");
    answerer.expect(ModalAnswerer::pressButton());
    run(window, "sltInstallSelectMod");
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages().last(), QStringLiteral("提示|安装成功!"));
    QCOMPARE(w.gameFiles(), installed);

    answerer.expect(ModalAnswerer::pressButton());
    run(window, "sltInstallSelectMod");
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages().last(), QStringLiteral("提示|MOD已经安装!"));
    QVERIFY(answerer.unexpected().isEmpty());
}

void TestInstall::largeFileKeepsTheWindowAnswering_data()
{
    QTest::addColumn<bool>("replacesGameFile");
    QTest::newRow("added") << false;
    QTest::newRow("replacing a game file") << true;
}

void TestInstall::largeFileKeepsTheWindowAnswering()
{
    QFETCH(bool, replacesGameFile);
    // Sparse, so the test writes little; the copies still write every byte,
    // for well over half a second.
    const qint64 size = qint64(384) << 20;
    Sandbox w(Sandbox::NoCatalogue);
    const QString mod = w.mod("big", {{"abdata/small", "small"}});
    const auto makeLarge = [size](const QString &path, char mark) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.resize(size) && file.seek(size - 1) &&
               file.putChar(mark);
    };
    QVERIFY(makeLarge(mod + "/abdata/large.unity3d", 'm'));
    if (replacesGameFile) {
        QVERIFY(makeLarge(w.gamePath + "abdata/large.unity3d", 'g'));
    }
    const FileMap before = replacesGameFile ? FileMap() : w.gameFiles();
    MainWindow window;
    ModalAnswerer answerer;
    EventLoopWatch watch(window);

    answerer.expect(typeName("big"));
    answerer.expect(ModalAnswerer::pressButton());
    watch.start();
    window.installModFolder(mod);
    watch.stop();
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages().last(), QStringLiteral("提示|安装成功!"));
    QCOMPARE(QFileInfo(w.gamePath + "abdata/large.unity3d").size(), size);
    QVERIFY2(watch.rises > 2, qPrintable(QString::number(watch.rises)));

    answerer.expect(ModalAnswerer::pressButton());
    run(window, "sltUninstall");
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages().last(), QStringLiteral("提示|卸载成功!"));
    if (replacesGameFile) {
        QFile restored(w.gamePath + "abdata/large.unity3d");
        QVERIFY(restored.open(QIODevice::ReadOnly) && restored.seek(size - 1));
        QCOMPARE(restored.read(1), QByteArray("g"));
    } else {
        QCOMPARE(w.gameFiles(), before);
    }
    QVERIFY(answerer.unexpected().isEmpty());
}

void TestInstall::missingKeptCopyTurnsUninstallIntoRemoval_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
}

void TestInstall::missingKeptCopyTurnsUninstallIntoRemoval()
{
    QFETCH(bool, confirm);
    Sandbox w(Sandbox::NoCatalogue);
    TestFiles::write(w.gamePath + "abdata/G", "game G");
    MainWindow window;
    ModalAnswerer answerer;
    answerer.expect(typeName("m"));
    answerer.expect(ModalAnswerer::pressButton());
    window.installModFolder(w.mod("m", {{"abdata/G", "mod G"}, {"abdata/N", "N"}}));
    QVERIFY(answerer.waitUntilAnswered());
    QVERIFY(QDir(w.dir.filePath("mod/HoneySelect/m")).removeRecursively());
    const FileMap before = TestFiles::snapshot(w.dir.path());

    answerer.expect(ModalAnswerer::pressButton(confirm ? QMessageBox::Yes : QMessageBox::No));
    if (confirm) {
        answerer.expect(ModalAnswerer::pressButton());
    }
    run(window, "sltUninstall");
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages().at(2), QStringLiteral("注意|MOD将会完全被移除，是否继续操作!"));
    if (!confirm) {
        QCOMPARE(answerer.messages().size(), 3);
        QCOMPARE(TestFiles::snapshot(w.dir.path()), before);
        return;
    }
    QCOMPARE(answerer.messages().last(), QStringLiteral("提示|移除成功!"));
    QCOMPARE(w.gameFiles(), FileMap({{"abdata/G", "game G"}}));
    QVERIFY(!window.modCfg().m_mods.contains("m"));
    QVERIFY(!QFileInfo::exists(w.dir.filePath("data/HoneySelect/m")));
}

void TestInstall::failedBackupsAreReportedWithTheLog()
{
    ScopedWorkingDir dir;
    TestFiles::write("blocker", "a file");
    Sandbox w(Sandbox::NoCatalogue, "HoneySelect",
              "BakPath=" + QFile::encodeName(dir.filePath("blocker")) + "\n");
    TestFiles::write(w.gamePath + "abdata/G", "game G");
    MainWindow window;
    ModalAnswerer answerer;
    answerer.expect(typeName("m"));
    answerer.expect(ModalAnswerer::pressButton());
    window.installModFolder(w.mod("m", {{"abdata/G", "mod G"}, {"abdata/N", "N"}}));
    QVERIFY(answerer.waitUntilAnswered());

    const QString logPath =
        QDir::toNativeSeparators(QFileInfo(CEasyLog::todayFilePath()).absoluteFilePath());
    QCOMPARE(answerer.messages().last(),
             QStringLiteral("提示|安装完成，但有 1 个文件失败，0 个文件未改动。详情请查看日志：") +
                 logPath);
    QCOMPARE(w.gameFiles(), FileMap({{"abdata/G", "game G"}, {"abdata/N", "N"}}));
    QVERIFY(progressHidden(window));
}

void TestInstall::userDataRowsPerGame_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QString>("female");
    QTest::newRow("HoneySelect") << "HoneySelect"
                                 << QStringList{"女人", "摄像", "新场景", "男人", "老场景", "背景"}
                                 << "UserData/chara/female";
    QTest::newRow("any case") << "honeyselect"
                              << QStringList{"女人", "摄像", "新场景", "男人", "老场景", "背景"}
                              << "UserData/chara/female";
    QTest::newRow("PlayClub") << "PlayClub" << QStringList{"场景", "女人", "摄像"}
                              << "UserData/chara";
    QTest::newRow("other") << "Koikatu" << QStringList{"场景", "女人", "摄像", "男人", "背景"}
                           << "UserData/chara/female";
}

void TestInstall::userDataRowsPerGame()
{
    QFETCH(QString, game);
    QFETCH(QStringList, labels);
    QFETCH(QString, female);
    Sandbox w(Sandbox::NoCatalogue, game);
    QDir().mkpath(w.gamePath + "UserData/chara");
    MainWindow window;
    QCOMPARE(window.userDataDirs().keys(), labels);
    // The same folder, whichever separator each part was written with.
    QCOMPARE(QDir::fromNativeSeparators(window.userDataDirs().value("女人")),
             QDir::fromNativeSeparators(w.gamePath + TestFiles::native(female)));
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
