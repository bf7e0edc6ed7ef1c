#include "deploy/layerstack.h"
#include "gui/orderdlg.h"
#include "platform/pathcase.h"
#include "support/sandbox.h"

#include <QRandomGenerator>
#include <QtTest>

class TestStack : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void uninstallHandsDownToTheLayerAbove_data();
    void uninstallHandsDownToTheLayerAbove();
    void reinstallGoesOnTop();
    void randomCommandsKeepGameEqualToStack_data();
    void randomCommandsKeepGameEqualToStack();
};

namespace {

ModRecord record(int install, const QList<FileItem> &replace, const QList<FileItem> &add)
{
    ModRecord r;
    r.time = QStringLiteral("2016-5-3 09:07:05");
    r.install = install;
    r.replace = replace;
    r.add = add;
    return r;
}

// The map with its keys case-folded (and on Windows with "/" separators); a
// second spelling of one key fails.
template<typename T> QMap<QString, T> foldedKeys(const QMap<QString, T> &map)
{
    QMap<QString, T> result;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QString key = QDir::fromNativeSeparators(it.key()).toCaseFolded();
        if (result.contains(key)) {
            qWarning() << "two spellings of" << it.key();
            return QMap<QString, T>();
        }
        result.insert(key, it.value());
    }
    return result;
}

// Whether this system separates names with backslashes too (Windows).
bool backslashSeparates()
{
    return QDir::separator() == QLatin1Char('\\');
}

} // namespace

void TestStack::cleanup()
{
    PathCase::setForced(false);
    PathCase::probe(QString());
}

void TestStack::uninstallHandsDownToTheLayerAbove_data()
{
    // Three installed mods on path P: A (order 1), B (2), C (3). Columns: the
    // kinds of A, B, C ("r" replace, "a" add), the mod taken out, then the
    // expected action and the kinds and orders of the others afterwards.
    QTest::addColumn<QString>("kinds");
    QTest::addColumn<QString>("taken");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("after");
    // The mod whose older record spells P as "p", on a game that ignores case.
    QTest::addColumn<QString>("lowerCase");
    // The mod whose record spells P with backslashes where the game folder
    // has "/": the folder was set again with the other separator (Windows).
    QTest::addColumn<QString>("backslashes");

    QTest::newRow("top replace restores") << "rrr"
                                          << "C" << int(FileAction::Restore) << "A:r1 B:r2"
                                          << ""
                                          << "";
    QTest::newRow("top add deletes") << "rra"
                                     << "C" << int(FileAction::Delete) << "A:r1 B:r2"
                                     << ""
                                     << "";
    QTest::newRow("middle replace hands down") << "rrr"
                                               << "B" << int(FileAction::HandDown) << "A:r1 C:r2"
                                               << ""
                                               << "";
    QTest::newRow("bottom add turns upper into add")
        << "arr"
        << "A" << int(FileAction::DropBackup) << "B:a1 C:r2"
        << ""
        << "";
    QTest::newRow("bottom replace under add turns upper into replace")
        << "rar"
        << "A" << int(FileAction::HandDown) << "B:r1 C:r2"
        << ""
        << "";
    QTest::newRow("bottom add under add keeps") << "aar"
                                                << "A" << int(FileAction::KeepAsIs) << "B:a1 C:r2"
                                                << ""
                                                << "";
    QTest::newRow("middle in other case hands down")
        << "rrr"
        << "B" << int(FileAction::HandDown) << "A:r1 C:r2"
        << "B"
        << "";
    QTest::newRow("bottom hands down to upper in other case")
        << "rrr"
        << "A" << int(FileAction::HandDown) << "B:r1 C:r2"
        << "B"
        << "";
    QTest::newRow("top in other case deletes") << "rra"
                                               << "C" << int(FileAction::Delete) << "A:r1 B:r2"
                                               << "C"
                                               << "";
    if (!backslashSeparates()) {
        return;
    }
    QTest::newRow("top with backslashes restores") << "rrr"
                                                   << "C" << int(FileAction::Restore) << "A:r1 B:r2"
                                                   << ""
                                                   << "C";
    QTest::newRow("middle with backslashes hands down")
        << "rrr"
        << "B" << int(FileAction::HandDown) << "A:r1 C:r2"
        << ""
        << "B";
    QTest::newRow("bottom hands down to upper with backslashes")
        << "rrr"
        << "A" << int(FileAction::HandDown) << "B:r1 C:r2"
        << ""
        << "B";
    QTest::newRow("bottom add under backslashes turns upper into add")
        << "arr"
        << "A" << int(FileAction::DropBackup) << "B:a1 C:r2"
        << ""
        << "B";
}

void TestStack::uninstallHandsDownToTheLayerAbove()
{
    QFETCH(QString, kinds);
    QFETCH(QString, taken);
    QFETCH(int, action);
    QFETCH(QString, after);
    QFETCH(QString, lowerCase);
    QFETCH(QString, backslashes);
    PathCase::setForced(!lowerCase.isEmpty());
    const QString path = QStringLiteral("/g/P");
    const auto spelling = [&](const QString &id) {
        return id == lowerCase ? "/g/p" : id == backslashes ? TestFiles::native(path) : path;
    };
    QMap<QString, ModRecord> mods;
    const QStringList ids{"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
        const FileItem item{i + 1, spelling(ids.at(i))};
        mods.insert(ids.at(i), kinds.at(i) == 'r'
                                   ? record(1, {item}, {FileItem{1, "/g/own" + ids.at(i)}})
                                   : record(1, {}, {item, FileItem{1, "/g/own" + ids.at(i)}}));
    }
    const StackChange change =
        LayerStack::uninstall(mods, taken, GameLayout("/g/", TestFiles::native("/b"), "/m"));
    QCOMPARE(change.actions.size(), 2);
    const FileAction first = change.actions.first();
    // Each backup mirrors the spelling its own mod recorded.
    QCOMPARE(first.path, spelling(taken));
    QCOMPARE(int(first.kind), action);
    if (kinds.at(ids.indexOf(taken)) == 'r') {
        QCOMPARE(first.backup, TestFiles::native("/b/" + taken + spelling(taken).mid(2)));
    }
    if (first.kind == FileAction::HandDown || first.kind == FileAction::DropBackup) {
        const QString upper = ids.at(ids.indexOf(taken) + 1);
        QCOMPARE(first.upperBackup, TestFiles::native("/b/" + upper + spelling(upper).mid(2)));
    }
    // The mod's own file on no other layer: restored or deleted.
    QCOMPARE(int(change.actions.at(1).kind), int(FileAction::Delete));

    QMap<QString, ModRecord> result = mods;
    for (auto it = change.changed.cbegin(); it != change.changed.cend(); ++it) {
        result.insert(it.key(), it.value());
    }
    QCOMPARE(result.value(taken).install, 0);
    QStringList described;
    for (const QString &id : ids) {
        if (id == taken) {
            continue;
        }
        for (const FileItem &item : result.value(id).replace) {
            if (item.path == spelling(id)) {
                described << QStringLiteral("%1:r%2").arg(id).arg(item.order);
            }
        }
        for (const FileItem &item : result.value(id).add) {
            if (item.path == spelling(id)) {
                described << QStringLiteral("%1:a%2").arg(id).arg(item.order);
            }
        }
    }
    QCOMPARE(described.join(' '), after);
    QVERIFY(LayerStack::isNumbered(result));
    const QStringList stack =
        QStringList(after.split(' ')).replaceInStrings(QRegularExpression(":.*"), QString());
    QCOMPARE(foldedKeys(LayerStack::stacks(result)).value("/g/p"), stack);
    QList<OrderDlg::Layer> rows;
    for (int layer = stack.size(); layer >= 1; --layer) {
        rows.append({layer, stack.at(layer - 1)});
    }
    QCOMPARE(OrderDlg::layersOf(result, path), rows);
}

void TestStack::reinstallGoesOnTop()
{
    QMap<QString, ModRecord> mods;
    mods.insert("A", record(0, {FileItem{1, "/g/P"}}, {FileItem{1, "/g/Q"}}));
    mods.insert("B", record(1, {FileItem{1, "/g/P"}}, {}));
    mods.insert("C", record(1, {FileItem{2, "/g/P"}}, {FileItem{1, "/g/R"}}));
    const ModRecord again =
        LayerStack::reinstalled(mods, "A", {{"/g/P", true}, {"/g/Q", false}, {"/g/R", true}});
    QCOMPARE(again.install, 1);
    QCOMPARE(again.time, mods.value("A").time);
    QCOMPARE(again.replace, QList<FileItem>({{3, "/g/P"}, {2, "/g/R"}}));
    QCOMPARE(again.add, QList<FileItem>({{1, "/g/Q"}}));
}

void TestStack::randomCommandsKeepGameEqualToStack_data()
{
    // Where the game ignores case, B spells every path in capitals and D
    // capitalises each name, so that each file has up to three spellings.
    QTest::addColumn<bool>("ignoreCase");
    QTest::addColumn<int>("steps");
    // The game folder is set with "/" and with backslashes by turns, so that
    // the records of one file differ in their separators (Windows).
    QTest::addColumn<bool>("switchSeparators");
    QTest::newRow("case counts") << false << 300 << false;
    QTest::newRow("case ignored, mixed spellings") << true << 150 << false;
    if (backslashSeparates()) {
        QTest::newRow("game folder set with either separator") << true << 150 << true;
    }
}

// Runs random installs, uninstalls, reinstalls and removals of four mods with
// overlapping files through the commands, and after every step compares the
// game folder with the installed mods applied in stack order onto the game.
void TestStack::randomCommandsKeepGameEqualToStack()
{
    QFETCH(bool, ignoreCase);
    QFETCH(int, steps);
    QFETCH(bool, switchSeparators);
    PathCase::setForced(ignoreCase);
    const auto spelled = [&](const QString &id, const QString &path) {
        if (!ignoreCase || id == "A" || id == "C") {
            return path;
        }
        if (id == "B") {
            return path.toUpper();
        }
        QStringList names = path.split('/');
        for (QString &name : names) {
            name[0] = name.at(0).toUpper();
        }
        return names.join('/');
    };
    Sandbox f;
    const FileMap original{{"abdata/G1", "game G1"},
                           {"abdata/G2", "game G2"},
                           {"abdata/chara/G3", "game G3"},
                           {"UserData/keep.png", "keep"}};
    f.writeGame(original);
    const QStringList paths{"abdata/G1", "abdata/G2",       "abdata/chara/G3",
                            "abdata/N1", "abdata/chara/N2", "UserData/N3"};
    // Each mod holds a fixed subset of the paths; some only add, some only
    // replace game files, all overlap with at least one other mod.
    const QMap<QString, QList<int>> holds{
        {"A", {0, 3, 4}}, {"B", {0, 1, 3}}, {"C", {2, 4, 5}}, {"D", {0, 1, 2, 3, 4, 5}}};
    QMap<QString, QString> folders;
    for (auto it = holds.cbegin(); it != holds.cend(); ++it) {
        FileMap files;
        for (int index : it.value()) {
            files.insert(spelled(it.key(), paths.at(index)),
                         (it.key() + ":" + paths.at(index)).toUtf8());
        }
        folders.insert(it.key(), f.mod(it.key(), files));
    }

    QRandomGenerator random(20161207);
    QMap<QString, QStringList> stacks; // model: path -> mods, bottom first
    QMap<QString, bool> installed;     // model: recorded mods and their flag
    for (int step = 0; step < steps; ++step) {
        const QString id = holds.keys().at(random.bounded(holds.size()));
        const int kind = random.bounded(4);
        if (switchSeparators) {
            f.gamePath = step % 2 == 0 ? QDir::fromNativeSeparators(f.gamePath)
                                       : QDir::toNativeSeparators(f.gamePath);
        }
        QString done;
        CommandReport report;
        if (!installed.contains(id)) {
            report = f.commands().install(folders.value(id), id);
            installed.insert(id, true);
            done = "install";
        } else if (kind == 0 || kind == 1) {
            report = installed.value(id) ? f.commands().uninstall(id) : f.commands().reinstall(id);
            done = installed.value(id) ? "uninstall" : "reinstall";
            installed[id] = !installed.value(id);
        } else if (kind == 2) {
            report = f.commands().remove(id);
            installed.remove(id);
            done = "remove";
        } else {
            report = installed.value(id) ? f.commands().reinstall(id) : f.commands().uninstall(id);
            QVERIFY(report.outcome == CommandReport::AlreadyInstalled ||
                    report.outcome == CommandReport::NotInstalled);
            continue;
        }
        const QString where = QStringLiteral("step %1: %2 %3").arg(step).arg(done, id);
        QVERIFY2(report.clean(), qPrintable(where));

        for (int index : holds.value(id)) {
            QStringList &stack = stacks[paths.at(index)];
            stack.removeAll(id);
            if (done == "install" || done == "reinstall") {
                stack << id;
            }
        }
        FileMap expected = original;
        QMap<QString, QStringList> expectedStacks;
        for (auto it = stacks.cbegin(); it != stacks.cend(); ++it) {
            if (!it.value().isEmpty()) {
                const QString top = it.value().last();
                expected.insert(it.key(), (top + ":" + it.key()).toUtf8());
                expectedStacks.insert(f.game(it.key()), it.value());
            } else if (!original.contains(it.key())) {
                expected.remove(it.key());
            } else {
                expected.insert(it.key(), original.value(it.key()));
            }
        }
        // One file, one spelling: folding the names loses none.
        QVERIFY2(foldedKeys(f.gameFiles()) == foldedKeys(expected), qPrintable(where));
        QVERIFY2(LayerStack::isNumbered(f.catalogue.m_mods), qPrintable(where));
        QVERIFY2(foldedKeys(LayerStack::stacks(f.catalogue.m_mods)) == foldedKeys(expectedStacks),
                 qPrintable(where));
        // The relations dialog shows each path's stack, top layer first.
        for (const QString &path : paths) {
            const QStringList stack = stacks.value(path);
            QList<OrderDlg::Layer> rows;
            for (int layer = stack.size(); layer >= 1; --layer) {
                rows.append({layer, stack.at(layer - 1)});
            }
            QVERIFY2(OrderDlg::layersOf(f.catalogue.m_mods, f.game(spelled("D", path))) == rows,
                     qPrintable(where + " " + path));
        }
        if (step % 25 == 0) {
            ModCfg reread;
            reread.setGame("HoneySelect");
            QVERIFY2(reread.m_mods == f.catalogue.m_mods, qPrintable(where));
        }
    }
}

QTEST_GUILESS_MAIN(TestStack)
#include "tst_stack.moc"
