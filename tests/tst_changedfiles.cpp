#include "deploy/filecopier.h"
#include "gui/mainwindow.h"
#include "state/gamemanifest.h"
#include "support/modalanswerer.h"
#include "support/sandbox.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <xxhash.h>

// Game files changed after an install (a game update, a hand edit), driven
// through the window: the check shows them, and uninstalling asks once and
// keeps every version of every file.
class TestChangedFiles : public QObject
{
    Q_OBJECT

private slots:
    void uninstallAsksOnceAndKeepsEveryVersion_data();
    void uninstallAsksOnceAndKeepsEveryVersion();
    void catalogueWithoutRecordsUninstallsAsBefore();
    void changedFileUnderTwoModsSurvivesBothUninstalls();
    void editBetweenTwoInstallsIsAskedAboutWhenTheLowerGoes_data();
    void editBetweenTwoInstallsIsAskedAboutWhenTheLowerGoes();
    void killedUninstallIsFinishedWithTheSameAnswer_data();
    void killedUninstallIsFinishedWithTheSameAnswer();
    void setAsidesOfOneSecondKeepEveryVersion();
    void cloneHashIsReadWhenFirstNeeded_data();
    void cloneHashIsReadWhenFirstNeeded();
};

namespace {

const QString setAsideName = QStringLiteral("Veldane留存");

ModalAnswerer::Handler acceptName()
{
    return [](QWidget *modal) {
        auto *button = modal->findChild<QPushButton *>("pushButton");
        if (!button) {
            static_cast<QDialog *>(modal)->reject();
            return;
        }
        button->click();
    };
}

// Reads the check's dialog as "mod|summary" and "  path|state" lines, then
// closes it.
ModalAnswerer::Handler readCheck(QStringList *rows)
{
    return [rows](QWidget *modal) {
        if (auto *tree = modal->findChild<QTreeWidget *>("treeWidget")) {
            for (int i = 0; i < tree->topLevelItemCount(); ++i) {
                const QTreeWidgetItem *mod = tree->topLevelItem(i);
                *rows << mod->text(0) + '|' + mod->text(1);
                for (int j = 0; j < mod->childCount(); ++j) {
                    *rows << "  " + mod->child(j)->text(0) + '|' + mod->child(j)->text(1);
                }
            }
        }
        static_cast<QDialog *>(modal)->reject();
    };
}

class Session
{
public:
    Session() : m_tree(m_window.findChild<QTreeWidget *>("treeWidget")) {}

    void install(const QString &folder, const QString &name)
    {
        m_answerer.expect(acceptName());
        m_answerer.expect(ModalAnswerer::pressButton());
        m_window.installModFolder(folder, name);
        QVERIFY(m_answerer.waitUntilAnswered());
    }

    // Picks an entry of the row's context menu, as a right click does, and
    // answers the windows it opens with the queued handlers.
    void runMenu(const QString &row, const QString &entry)
    {
        const QRect rect = m_tree->visualItemRect(
            m_tree->findItems(row, Qt::MatchExactly | Qt::MatchRecursive).first());
        QTimer picker;
        picker.setInterval(20);
        QObject::connect(&picker, &QTimer::timeout, [&]() {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu) {
                return;
            }
            picker.stop();
            for (QAction *action : menu->actions()) {
                if (action->text() == entry && action->isVisible() && action->isEnabled()) {
                    menu->setActiveAction(action);
                    QTest::keyClick(menu, Qt::Key_Return);
                    return;
                }
            }
            menu->close();
        });
        picker.start();
        QTest::mousePress(m_tree->viewport(), Qt::RightButton, {}, rect.center());
        QContextMenuEvent event(QContextMenuEvent::Mouse, rect.center(),
                                m_tree->viewport()->mapToGlobal(rect.center()));
        QApplication::sendEvent(m_tree->viewport(), &event);
        QVERIFY(m_answerer.waitUntilAnswered());
    }

    void select(const QString &row)
    {
        const QRect rect = m_tree->visualItemRect(
            m_tree->findItems(row, Qt::MatchExactly | Qt::MatchRecursive).first());
        QTest::mousePress(m_tree->viewport(), Qt::LeftButton, {}, rect.center());
    }

    QStringList check(const QString &row)
    {
        QStringList rows;
        m_answerer.expect(readCheck(&rows));
        runMenu(row, QStringLiteral("检查文件"));
        return rows;
    }

    MainWindow m_window;
    ModalAnswerer m_answerer;

private:
    QTreeWidget *m_tree;
};

} // namespace

void TestChangedFiles::uninstallAsksOnceAndKeepsEveryVersion_data()
{
    QTest::addColumn<bool>("removal");
    QTest::addColumn<int>("answer");
    QTest::addColumn<FileMap>("game");
    QTest::addColumn<FileMap>("setAside");
    QTest::addColumn<bool>("installed");
    QTest::newRow("keep the changed files")
        << false << int(QMessageBox::Yes)
        << FileMap{{"abdata/A", "edited A!"}, {"abdata/G", "new G"}, {"abdata/U", "game U"}}
        << FileMap{{"abdata/G", "game G"}} << false;
    QTest::newRow("restore anyway")
        << false << int(QMessageBox::No) << FileMap{{"abdata/G", "game G"}, {"abdata/U", "game U"}}
        << FileMap{{"abdata/A", "edited A!"}, {"abdata/G", "new G"}} << false;
    QTest::newRow("cancel") << false << int(QMessageBox::Cancel)
                            << FileMap{{"abdata/A", "edited A!"},
                                       {"abdata/G", "new G"},
                                       {"abdata/N", "mod N"},
                                       {"abdata/U", "mod U"}}
                            << FileMap() << true;
    // Removal asks the same question after its own confirmation.
    QTest::newRow("remove, restore anyway")
        << true << int(QMessageBox::No) << FileMap{{"abdata/G", "game G"}, {"abdata/U", "game U"}}
        << FileMap{{"abdata/A", "edited A!"}, {"abdata/G", "new G"}} << false;
}

void TestChangedFiles::uninstallAsksOnceAndKeepsEveryVersion()
{
    QFETCH(bool, removal);
    QFETCH(int, answer);
    QFETCH(FileMap, game);
    QFETCH(FileMap, setAside);
    QFETCH(bool, installed);
    Sandbox g(Sandbox::NoCatalogue);
    TestFiles::write(g.gamePath + "abdata/G", "game G");
    TestFiles::write(g.gamePath + "abdata/U", "game U");
    const FileMap modFiles{
        {"abdata/A", "mod A"}, {"abdata/G", "mod G"}, {"abdata/N", "mod N"}, {"abdata/U", "mod U"}};
    Session s;
    s.install(g.mod("Pack", modFiles), "Pack");
    QCOMPARE(s.m_window.modCfg().m_mods.value("Pack").install, 1);
    QCOMPARE(s.check("Pack"), QStringList({"Pack|改动 0，缺失 0，未改动 4"}));

    // A replaced file rewritten with the same size, an added file edited
    // with its time kept.
    g.change("abdata/G", "new G");
    g.change("abdata/A", "edited A!", true);
    const QStringList changedRows{"Pack|改动 2，缺失 0，未改动 2",
                                  "  " + TestFiles::native("abdata/A") + "|已改动",
                                  "  " + TestFiles::native("abdata/G") + "|已改动"};
    QCOMPARE(s.check("Pack"), changedRows);
    QCOMPARE(s.check("HoneySelect"), changedRows);
    QCOMPARE(g.gameFiles().value("abdata/G"), QByteArray("new G"));

    if (removal) {
        s.m_answerer.expect(ModalAnswerer::pressButton(QMessageBox::Yes));
    }
    s.m_answerer.expect(ModalAnswerer::pressButton(QMessageBox::StandardButton(answer)));
    if (answer != QMessageBox::Cancel) {
        s.m_answerer.expect(ModalAnswerer::pressButton());
    }
    const int before = s.m_answerer.messages().size() + (removal ? 1 : 0);
    if (removal) {
#ifdef Q_OS_WIN
        QSKIP("under Wine, offscreen, a left press on the mod list reaches no row (itemPressed "
              "never comes), so no mod is chosen for the removal button");
#endif
        s.select("Pack");
        s.m_window.findChild<QPushButton *>("buttonRemove")->click();
        QVERIFY(s.m_answerer.waitUntilAnswered());
    } else {
        s.runMenu("Pack", QStringLiteral("卸载"));
    }
    QVERIFY(s.m_answerer.unexpected().isEmpty());
    const QStringList messages = s.m_answerer.messages().mid(before);
    QCOMPARE(messages.size(), answer == QMessageBox::Cancel ? 1 : 2);
    QVERIFY2(
        messages.first().startsWith(
            QStringLiteral("提示|有 2 个文件在MOD安装后被改动过（例如游戏更新或手动修改）：\n") +
            TestFiles::native("abdata/G") + '\n' + TestFiles::native("abdata/A") + "\n\n"),
        qPrintable(messages.first()));

    QCOMPARE(g.gameFiles(), game);
    QCOMPARE(g.setAside(), setAside);
    // The mod's own versions stay in its kept copy; a removal forgets the
    // mod with its copy, as the user asked.
    QCOMPARE(g.kept("Pack"), removal ? FileMap() : modFiles);
    QCOMPARE(s.m_window.modCfg().m_mods.contains("Pack"), !removal);
    QCOMPARE(s.m_window.modCfg().m_mods.value("Pack").install, installed ? 1 : 0);
    if (installed) {
        QCOMPARE(g.backups("Pack"), FileMap({{"abdata/G", "game G"}, {"abdata/U", "game U"}}));
        QCOMPARE(s.check("Pack"), changedRows);
    } else {
        QVERIFY(!QFileInfo::exists(g.dir.filePath("data/HoneySelect/Pack")));
        const QString folder = QDir::toNativeSeparators(
            QFileInfo(g.dir.filePath("data/HoneySelect/" + setAsideName + "/Pack"))
                .absoluteFilePath());
        QVERIFY2(messages.last().startsWith(
                     QStringLiteral("提示|%1成功!\n\n%2 个文件的另一个版本已移到：\n%3")
                         .arg(removal ? QStringLiteral("移除") : QStringLiteral("卸载"))
                         .arg(setAside.size())
                         .arg(folder)),
                 qPrintable(messages.last()));
    }
}

void TestChangedFiles::catalogueWithoutRecordsUninstallsAsBefore()
{
    Sandbox g(Sandbox::NoCatalogue);
    TestFiles::write(g.gamePath + "abdata/G", "game G");
    Session s;
    s.install(g.mod("Old", {{"abdata/G", "mod G"}, {"abdata/A", "mod A"}}), "Old");
    // Installed by a version that kept no records.
    for (const char *suffix : {"", "-wal", "-shm"}) {
        QFile::remove(g.dir.filePath(QStringLiteral("config/HoneySelect.db") + suffix));
    }
    g.change("abdata/G", "new G");
    QFile::remove(g.gamePath + "abdata/A");

    QCOMPARE(s.check("Old"), QStringList({"Old|改动 0，缺失 1，未改动 1（其中 1 个安装时未记录）",
                                          "  " + TestFiles::native("abdata/A") + "|缺失"}));
    s.m_answerer.expect(ModalAnswerer::pressButton());
    s.runMenu("Old", QStringLiteral("卸载"));
    QCOMPARE(s.m_answerer.messages().last(), QStringLiteral("提示|卸载成功!"));
    QVERIFY(s.m_answerer.unexpected().isEmpty());
    QCOMPARE(g.gameFiles(), FileMap({{"abdata/G", "game G"}}));
}

void TestChangedFiles::changedFileUnderTwoModsSurvivesBothUninstalls()
{
    Sandbox g(Sandbox::NoCatalogue);
    TestFiles::write(g.gamePath + "abdata/G", "game G");
    Session s;
    s.install(g.mod("Lower", {{"abdata/G", "low G"}}), "Lower");
    s.install(g.mod("Upper", {{"abdata/G", "up G"}}), "Upper");
    g.change("abdata/G", "user G!");
    QCOMPARE(s.check("HoneySelect"),
             QStringList({"Lower|改动 0，缺失 0，未改动 0", "Upper|改动 1，缺失 0，未改动 0",
                          "  " + TestFiles::native("abdata/G") + "|已改动"}));

    // The lower layer leaves the game file alone: nothing to ask.
    s.m_answerer.expect(ModalAnswerer::pressButton());
    s.runMenu("Lower", QStringLiteral("卸载"));
    QCOMPARE(s.m_answerer.messages().last(), QStringLiteral("提示|卸载成功!"));
    QCOMPARE(g.gameFiles(), FileMap({{"abdata/G", "user G!"}}));
    QCOMPARE(g.backups("Upper"), FileMap({{"abdata/G", "game G"}}));

    s.m_answerer.expect(ModalAnswerer::pressButton(QMessageBox::Yes));
    s.m_answerer.expect(ModalAnswerer::pressButton());
    s.runMenu("Upper", QStringLiteral("卸载"));
    QVERIFY(s.m_answerer.unexpected().isEmpty());
    QCOMPARE(g.gameFiles(), FileMap({{"abdata/G", "user G!"}}));
    QCOMPARE(g.setAside(), FileMap({{"abdata/G", "game G"}}));
    QCOMPARE(g.kept("Lower"), FileMap({{"abdata/G", "low G"}}));
    QCOMPARE(g.kept("Upper"), FileMap({{"abdata/G", "up G"}}));
}

void TestChangedFiles::editBetweenTwoInstallsIsAskedAboutWhenTheLowerGoes_data()
{
    QTest::addColumn<int>("decision");
    QTest::addColumn<FileMap>("setAside");
    QTest::addColumn<FileMap>("gameAtTheEnd");
    // The edited file came into the upper layer's backups; the lower layer's
    // added file there is set aside either way, never dropped.
    QTest::newRow("keep the changed files")
        << int(ChangeDecision::KeepChanged)
        << FileMap{{"abdata/G", "game G"}, {"abdata/N", "edit N!"}}
        << FileMap{{"abdata/G", "edit G!"}};
    QTest::newRow("restore anyway") << int(ChangeDecision::RestoreAnyway)
                                    << FileMap{{"abdata/G", "edit G!"}, {"abdata/N", "edit N!"}}
                                    << FileMap{{"abdata/G", "game G"}};
}

void TestChangedFiles::editBetweenTwoInstallsIsAskedAboutWhenTheLowerGoes()
{
    QFETCH(int, decision);
    QFETCH(FileMap, setAside);
    QFETCH(FileMap, gameAtTheEnd);
    Sandbox f;
    f.writeGame({{"abdata/G", "game G"}});
    QCOMPARE(f.commands()
                 .install(f.mod("Lower", {{"abdata/G", "low G"}, {"abdata/N", "low N"}}), "Lower")
                 .outcome,
             CommandReport::Done);
    TestFiles::write(f.game("abdata/G"), "edit G!");
    TestFiles::write(f.game("abdata/N"), "edit N!");
    QCOMPARE(f.commands()
                 .install(f.mod("Upper", {{"abdata/G", "up G"}, {"abdata/N", "up N"}}), "Upper")
                 .outcome,
             CommandReport::Done);

    const CommandReport asked = f.commands().uninstall("Lower");
    QCOMPARE(asked.outcome, CommandReport::ChangedFiles);
    QCOMPARE(asked.changedFiles, QStringList({f.game("abdata/G"), f.game("abdata/N")}));
    QVERIFY(f.commands().uninstall("Lower", ChangeDecision(decision)).clean());
    QCOMPARE(f.gameFiles(), FileMap({{"abdata/G", "up G"}, {"abdata/N", "up N"}}));

    // The upper layer was installed over the edits and goes without a question.
    QVERIFY(f.commands().uninstall("Upper").clean());
    QCOMPARE(f.gameFiles(), gameAtTheEnd);
    FileMap aside;
    const FileMap all = Sandbox::files(f.layout().setAsideRoot());
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        aside.insert(it.key().section('/', 2), it.value());
    }
    QCOMPARE(aside, setAside);
}

void TestChangedFiles::killedUninstallIsFinishedWithTheSameAnswer_data()
{
    QTest::addColumn<int>("decision");
    QTest::addColumn<int>("killedAfter"); // files done when the process dies
    QTest::addColumn<FileMap>("game");
    QTest::addColumn<FileMap>("setAside");
    const FileMap kept{{"abdata/A", "edited A!"}, {"abdata/G", "new G"}, {"abdata/U", "game U"}};
    const FileMap restored{{"abdata/G", "game G"}, {"abdata/U", "game U"}};
    for (int killedAfter : {1, 3}) {
        QTest::addRow("keep the changed files, killed after %d", killedAfter)
            << int(ChangeDecision::KeepChanged) << killedAfter << kept
            << FileMap{{"abdata/G", "game G"}};
        QTest::addRow("restore anyway, killed after %d", killedAfter)
            << int(ChangeDecision::RestoreAnyway) << killedAfter << restored
            << FileMap{{"abdata/A", "edited A!"}, {"abdata/G", "new G"}};
    }
}

void TestChangedFiles::killedUninstallIsFinishedWithTheSameAnswer()
{
    QFETCH(int, decision);
    QFETCH(int, killedAfter);
    QFETCH(FileMap, game);
    QFETCH(FileMap, setAside);
    Sandbox f;
    f.writeGame({{"abdata/G", "game G"}, {"abdata/U", "game U"}});
    const QString mod = f.mod("Pack", {{"abdata/A", "mod A"},
                                       {"abdata/G", "mod G"},
                                       {"abdata/N", "mod N"},
                                       {"abdata/U", "mod U"}});
    QCOMPARE(f.commands().install(mod, "Pack").outcome, CommandReport::Done);
    TestFiles::write(f.game("abdata/G"), "new G");
    TestFiles::write(f.game("abdata/A"), "edited A!");
    QCOMPARE(f.commands().uninstall("Pack").outcome, CommandReport::ChangedFiles);

    // The answered uninstall, in a process of its own that ends at once
    // after `killedAfter` files, as a crash there would.
    QProcess helper;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELDANE_CRASH_AT", QString::number(killedAfter));
    helper.setProcessEnvironment(environment);
    helper.start(VELDANE_CRASHHELPER,
                 {f.dir.path(), "uninstall", "Pack",
                  ChangeDecision(decision) == ChangeDecision::KeepChanged ? "keep" : "restore"});
    QVERIFY(helper.waitForFinished(60000));
    QCOMPARE(helper.exitCode(), 9);

    // The next start finishes the uninstall as it was answered.
    f.catalogue.setGame(f.catalogue.m_gameName);
    f.commands().recover();
    QCOMPARE(f.gameFiles(), game);
    FileMap aside;
    const FileMap all = Sandbox::files(f.layout().setAsideRoot());
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        aside.insert(it.key().section('/', 2), it.value());
    }
    QCOMPARE(aside, setAside);
    QCOMPARE(f.catalogue.m_mods.value("Pack").install, 0);
    QVERIFY(!QFileInfo::exists(f.layout().backupFolder("Pack")));
}

void TestChangedFiles::setAsidesOfOneSecondKeepEveryVersion()
{
    Sandbox f;
    f.writeGame({{"abdata/G", "game G"}});
    QVERIFY(f.commands().install(f.mod("Pack", {{"abdata/G", "mod G"}}), "Pack").clean());
    // Folders named for this second and the next already hold a version, and
    // the two uninstalls below may fall within one second.
    const QString root = GameLayout::join(f.layout().setAsideRoot(), "Pack");
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = 0; s < 3; ++s) {
        TestFiles::write(root + now.addSecs(s).toString("/yyyy-MM-dd hh-mm-ss") + "/abdata/G",
                         "old G");
    }
    for (const QByteArray edit : {"edit 1", "edit 2"}) {
        TestFiles::write(f.game("abdata/G"), edit);
        QVERIFY(f.commands().uninstall("Pack", ChangeDecision::RestoreAnyway).clean());
        QVERIFY(f.commands().reinstall("Pack").clean());
    }
    QByteArrayList versions = Sandbox::files(root).values();
    std::sort(versions.begin(), versions.end());
    QCOMPARE(versions, QByteArrayList({"edit 1", "edit 2", "old G", "old G", "old G"}));
}

// What happens to the kept copy (and the game file) of a clone after the
// install, before its hash is first needed.
enum class KeptEdit
{
    None,
    SameSizeTimeKept, // other bytes, its time set back as a careful tool does
    Deleted,
    Touched, // the same bytes written again: its time says so all the same
};
Q_DECLARE_METATYPE(KeptEdit)

void TestChangedFiles::cloneHashIsReadWhenFirstNeeded_data()
{
    QTest::addColumn<bool>("reinstalled");
    QTest::addColumn<KeptEdit>("keptEdit");
    QTest::addColumn<QByteArray>("gameNow"); // rewritten a minute later; empty: untouched
    QTest::addColumn<bool>("changedIfPending");
    QTest::addColumn<bool>("changedIfHashed");
    QTest::addColumn<bool>("uninstallFirst"); // the first need: the uninstall, not the check
    struct Row
    {
        const char *name;
        KeptEdit kept;
        QByteArray game;
        bool changedIfPending;
        bool changedIfHashed;
    };
    // A clone's hash is that of its kept copy while the copy's stamp holds;
    // once the copy was written, nothing can say the game file is the mod's,
    // and the answer is "changed".
    const QList<Row> rows{
        {"game untouched", KeptEdit::SameSizeTimeKept, QByteArray(), false, false},
        {"same bytes again", KeptEdit::None, "mod G", false, false},
        {"other bytes, same size", KeptEdit::None, "MOD G", true, true},
        {"kept copy edited, time kept", KeptEdit::SameSizeTimeKept, "mod G", true, false},
        {"kept copy touched", KeptEdit::Touched, "mod G", true, false},
        {"kept copy deleted", KeptEdit::Deleted, "mod G", true, false},
    };
    for (const bool reinstalled : {false, true}) {
        for (const bool uninstallFirst : {false, true}) {
            for (const Row &row : rows) {
                QTest::addRow("%s%s, %s", reinstalled ? "reinstall, " : "",
                              uninstallFirst ? "uninstall" : "check", row.name)
                    << reinstalled << row.kept << row.game << row.changedIfPending
                    << row.changedIfHashed << uninstallFirst;
            }
        }
    }
}

void TestChangedFiles::cloneHashIsReadWhenFirstNeeded()
{
    QFETCH(bool, reinstalled);
    QFETCH(KeptEdit, keptEdit);
    QFETCH(QByteArray, gameNow);
    QFETCH(bool, changedIfPending);
    QFETCH(bool, changedIfHashed);
    QFETCH(bool, uninstallFirst);
    Sandbox f;
    f.writeGame({{"abdata/G", "game G"}});
    QVERIFY(f.commands().install(f.mod("Pack", {{"abdata/G", "mod G"}}), "Pack").clean());
    if (reinstalled) {
        QVERIFY(f.commands().uninstall("Pack").clean());
        QVERIFY(f.commands().reinstall("Pack").clean());
    }
    // Clones where the file system makes them (XFS with reflink, Btrfs):
    // there the hash waits, elsewhere it was read during the copy.
    bool clones = false;
    FileCopier::CopyOptions probe;
    probe.cloned = &clones;
    QVERIFY(
        FileCopier::copy(f.mod("Probe", {{"p", "probe"}}) + "/p", f.dir.filePath("probe"), probe));
    const QString game = f.game("abdata/G");
    const ManifestEntry installed = GameManifest(f.catalogue.m_cfgPath).entries("Pack").value(game);
    QCOMPARE(installed.hashPending(), clones);

    const QString kept = GameLayout::join(f.layout().keptCopy("Pack"), "abdata/G");
    const QDateTime keptTime = QFileInfo(kept).lastModified();
    QTest::qSleep(20); // past the file system's clock tick
    if (keptEdit == KeptEdit::SameSizeTimeKept) {
        QVERIFY(TestFiles::write(kept, "mod X"));
        QFile file(kept);
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(keptTime, QFileDevice::FileModificationTime));
    } else if (keptEdit == KeptEdit::Touched) {
        QVERIFY(TestFiles::write(kept, "mod G"));
    } else if (keptEdit == KeptEdit::Deleted) {
        QVERIFY(QFile::remove(kept));
    }
    if (!gameNow.isEmpty()) {
        f.change("abdata/G", gameNow);
    }

    const bool changed = installed.hashPending() ? changedIfPending : changedIfHashed;
    const QStringList expected = changed ? QStringList{game} : QStringList();
    CommandReport uninstall;
    if (uninstallFirst) {
        uninstall = f.commands().uninstall("Pack");
    } else {
        const QList<ModFileCheck> checks = f.commands().verify("Pack");
        QCOMPARE(checks.size(), 1);
        QCOMPARE(checks.first().changed, expected);
    }
    // Read where it was needed and could be read, and kept: the install's
    // bytes, never those of a kept copy written since.
    if (!uninstallFirst || changed) {
        const ManifestEntry after = GameManifest(f.catalogue.m_cfgPath).entries("Pack").value(game);
        const bool stillPending =
            installed.hashPending() && (gameNow.isEmpty() || keptEdit != KeptEdit::None);
        QCOMPARE(after.hashPending(), stillPending);
        if (!stillPending) {
            QCOMPARE(after.hash, quint64(XXH3_64bits("mod G", 5)));
        }
    }
    if (!uninstallFirst) {
        uninstall = f.commands().uninstall("Pack");
    }
    QCOMPARE(uninstall.changedFiles, expected);
    QCOMPARE(uninstall.outcome, changed ? CommandReport::ChangedFiles : CommandReport::Done);
}

QTEST_MAIN(TestChangedFiles)
#include "tst_changedfiles.moc"
