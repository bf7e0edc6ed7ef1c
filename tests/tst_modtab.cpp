#include "catalogue/modcfg.h"
#include "config/gameinfo.h"
#include "config/workspace.h"
#include "deploy/gamelayout.h"
#include "deploy/modcommands.h"
#include "gui/mainwindow.h"
#include "gui/setdialog.h"
#include "support/modalanswerer.h"
#include "support/openedfolders.h"
#include "support/testsupport.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTextEdit>
#include <QTreeWidget>
#include <QtTest>

class TestModTab : public QObject
{
    Q_OBJECT

private slots:
    void notesOfPreviousModAreStoredBeforeNextIsShown();
    void notesThatLookLikeMarkupStayAsTyped();
    void rootClearsNotesAndStoresNothing();
    void pressingRowsWithUnchangedNotesWritesNothing();
    void fileListShowsAddedAboveReplacedAndMarksOverwritten_data();
    void fileListShowsAddedAboveReplacedAndMarksOverwritten();
    void fileNameIsTakenAfterLastSeparator_data();
    void fileNameIsTakenAfterLastSeparator();
    void contextMenuOffersTheOtherState_data();
    void contextMenuOffersTheOtherState();
    void settingsDialogSwitchesOnlyOnAnotherGame_data();
    void settingsDialogSwitchesOnlyOnAnotherGame();
    void aboutShowsVersionAndAuthors();
    void openGameFolderOpensTheInstallFolder();
    void filterKeepsNotesWithTheirMod_data();
    void filterKeepsNotesWithTheirMod();
    void columnsSortAndTheOrderIsRemembered_data();
    void columnsSortAndTheOrderIsRemembered();
    void conflictCountsOfTheExampleMods();
};

namespace {

struct Item
{
    int order;
    QString path;
};

struct Mod
{
    Mod(const QString &id, int install, const QList<Item> &replace, const QList<Item> &add,
        const QString &info = QString(), const QString &time = "2016-5-3 09:07:05")
        : id(id), install(install), replace(replace), add(add), info(info), time(time)
    {
    }
    QString id;
    int install;
    QList<Item> replace;
    QList<Item> add;
    QString info;
    QString time;
};

QByteArray catalogueXml(const QString &game, const QList<Mod> &mods)
{
    const auto items = [](const QList<Item> &list) {
        QString xml;
        for (const Item &item : list) {
            xml += QStringLiteral("<item order=\"%1\">%2</item>")
                       .arg(item.order)
                       .arg(item.path.toHtmlEscaped());
        }
        return xml;
    };
    QString xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + game + ">\n";
    for (const Mod &mod : mods) {
        xml += QStringLiteral("<mod id=\"%1\"><info>%2</info><time>%6</time>"
                              "<install>%3</install><replace>%4</replace><add>%5</add></mod>\n")
                   .arg(mod.id.toHtmlEscaped(), mod.info.toHtmlEscaped())
                   .arg(mod.install)
                   .arg(items(mod.replace), items(mod.add), mod.time);
    }
    xml += "</" + game + ">\n";
    return xml.toUtf8();
}

// A working directory with settings that select `game` and its catalogue.
struct Setup
{
    ScopedWorkingDir work;
    QString gamePath;

    Setup(const QString &game, const QList<Mod> &mods)
    {
        gamePath = work.filePath("game") + QDir::separator();
        QDir().mkpath(gamePath);
        QSettings settings(GameInfo::settingsFile(), QSettings::IniFormat);
        settings.setValue("Global/Select", game);
        settings.setValue(game + "/GamePath", gamePath);
        writeCatalogue(game, mods);
    }

    void writeCatalogue(const QString &game, const QList<Mod> &mods) const
    {
        QVERIFY(
            TestFiles::write(work.filePath("config/" + game + ".xml"), catalogueXml(game, mods)));
    }

    // A file below the game folder, joined as the installer joins it.
    QString file(const QString &relative) const
    {
        return gamePath + QDir::toNativeSeparators(relative);
    }
};

// The notes of every mod as the catalogue file holds them now.
QMap<QString, QString> storedNotes(const QString &game = "HoneySelect")
{
    ModCfg fresh;
    fresh.setGame(game);
    QMap<QString, QString> notes;
    for (auto it = fresh.m_mods.cbegin(); it != fresh.m_mods.cend(); ++it) {
        notes.insert(it.key(), it.value().info);
    }
    return notes;
}

struct ModTab
{
    MainWindow &window;
    QTreeWidget *mods;
    QTreeWidget *files;
    QTextEdit *notes;

    explicit ModTab(MainWindow &w)
        : window(w), mods(w.findChild<QTreeWidget *>("treeWidget")),
          files(w.findChild<QTreeWidget *>("treeWidget2")),
          notes(w.findChild<QTextEdit *>("textEdit"))
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    QTreeWidgetItem *row(const QString &text) const
    {
        const QList<QTreeWidgetItem *> found =
            mods->findItems(text, Qt::MatchExactly | Qt::MatchRecursive, 0);
        return found.isEmpty() ? nullptr : found.first();
    }

    QPoint centreOf(const QString &text) const
    {
        QTreeWidgetItem *item = row(text);
        return item ? mods->visualItemRect(item).center() : QPoint();
    }

    void press(const QString &text, Qt::MouseButton button = Qt::LeftButton)
    {
        const QPoint at = centreOf(text);
        QVERIFY2(!at.isNull(), qPrintable("no row " + text));
        QTest::mousePress(mods->viewport(), button, {}, at);
        QTest::mouseRelease(mods->viewport(), button, {}, at);
    }

    QStringList column(int index) const
    {
        QStringList texts;
        for (int i = 0; i < files->topLevelItemCount(); ++i) {
            texts << files->topLevelItem(i)->text(index);
        }
        return texts;
    }

    QStringList modIds(int column = 0) const
    {
        QStringList ids;
        QTreeWidgetItem *root = mods->topLevelItem(0);
        for (int i = 0; root && i < root->childCount(); ++i) {
            if (!root->child(i)->isHidden()) {
                ids << root->child(i)->text(column);
            }
        }
        return ids;
    }
};

bool isBlue(const QTreeWidgetItem *item)
{
    for (int column = 0; column < 3; ++column) {
        if (item->foreground(column).color() != QColor(Qt::blue) ||
            item->foreground(column).style() == Qt::NoBrush) {
            return false;
        }
    }
    return true;
}

bool hasDefaultColour(const QTreeWidgetItem *item)
{
    for (int column = 0; column < 3; ++column) {
        if (item->foreground(column).style() != Qt::NoBrush) {
            return false;
        }
    }
    return true;
}

} // namespace

void TestModTab::notesOfPreviousModAreStoredBeforeNextIsShown()
{
    Setup setup("HoneySelect", {{"A", 1, {}, {{1, "x"}}, "old A"}, {"B", 1, {}, {}, "B notes"}});
    MainWindow window;
    ModTab tab(window);

    tab.press("A");
    QCOMPARE(window.modName(), QStringLiteral("A"));
    QCOMPARE(tab.notes->toPlainText(), QStringLiteral("old A"));
    tab.notes->clear();
    QTest::keyClicks(tab.notes, "typed for A");

    tab.press("B");

    QCOMPARE(window.modName(), QStringLiteral("B"));
    QCOMPARE(tab.notes->toPlainText(), QStringLiteral("B notes"));
    QCOMPARE(tab.files->topLevelItemCount(), 0);
    const QMap<QString, QString> expected{{"A", "typed for A"}, {"B", "B notes"}};
    QCOMPARE(storedNotes(), expected);

    // Moving with the keyboard shows and stores as a press does.
    tab.notes->moveCursor(QTextCursor::End);
    QTest::keyClicks(tab.notes, ", more");
    tab.mods->setFocus();
    QTest::keyClick(tab.mods, Qt::Key_Up);
    QTRY_COMPARE(window.modName(), QStringLiteral("A"));
    QCOMPARE(tab.notes->toPlainText(), QStringLiteral("typed for A"));
    QCOMPARE(tab.files->topLevelItemCount(), 1);
    QCOMPARE(storedNotes().value("B"), QStringLiteral("B notes, more"));
}

void TestModTab::notesThatLookLikeMarkupStayAsTyped()
{
    const QString notes = QStringLiteral("<b>不要</b> & <i>x\n第二行");
    Setup setup("HoneySelect", {{"A", 1, {}, {}, notes}, {"B", 1, {}, {}, ""}});
    MainWindow window;
    ModTab tab(window);

    tab.press("A");
    QCOMPARE(tab.notes->toPlainText(), notes);
    tab.press("B");

    QCOMPARE(storedNotes().value("A"), notes);
}

void TestModTab::rootClearsNotesAndStoresNothing()
{
    Setup setup("HoneySelect", {});
    setup.writeCatalogue("HoneySelect", {{"A", 1, {}, {{1, setup.file("a.txt")}}, "A notes"}});
    MainWindow window;
    ModTab tab(window);
    tab.press("A");
    QCOMPARE(tab.files->topLevelItemCount(), 1);

    tab.press("HoneySelect");

    QCOMPARE(window.modName(), QStringLiteral("HoneySelect"));
    QVERIFY(tab.notes->toPlainText().isEmpty());
    QCOMPARE(tab.files->topLevelItemCount(), 0);
    QCOMPARE(storedNotes(), (QMap<QString, QString>{{"A", "A notes"}}));

    // With no mod selected, neither another press nor closing stores anything.
    const QByteArray before = TestFiles::read("config/HoneySelect.xml");
    QTest::keyClicks(tab.notes, "typed with no mod selected");
    tab.press("HoneySelect");
    QVERIFY(tab.notes->toPlainText().isEmpty());
    QTest::keyClicks(tab.notes, "typed again");
    window.close();
    QCOMPARE(TestFiles::read("config/HoneySelect.xml"), before);
}

void TestModTab::pressingRowsWithUnchangedNotesWritesNothing()
{
    Setup setup("HoneySelect", {{"A", 1, {}, {{1, "x"}}, "A notes"}, {"B", 1, {}, {}, ""}});
    const QString path = QStringLiteral("config/HoneySelect.xml");
    // An old time, so that any rewrite shows in it.
    const QDateTime old = QDateTime::currentDateTime().addDays(-1);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    const QDateTime before = QFileInfo(path).lastModified();
    const QByteArray content = TestFiles::read(path);
    MainWindow window;
    ModTab tab(window);

    for (const QString row : {"A", "B", "HoneySelect", "A", "HoneySelect", "B", "A"}) {
        tab.press(row);
    }

    QCOMPARE(tab.notes->toPlainText(), QStringLiteral("A notes"));
    QCOMPARE(QFileInfo(path).lastModified(), before);
    QCOMPARE(TestFiles::read(path), content);
}

void TestModTab::fileListShowsAddedAboveReplacedAndMarksOverwritten_data()
{
    QTest::addColumn<int>("upperInstalled");
    QTest::newRow("upper mod installed") << 1;
    QTest::newRow("upper mod uninstalled") << 0;
}

void TestModTab::fileListShowsAddedAboveReplacedAndMarksOverwritten()
{
    QFETCH(int, upperInstalled);
    Setup setup("HoneySelect", {});
    const QString shared = setup.file("abdata/chara/body_00.unity3d");
    const QString first = setup.file("abdata/chara/body_98.unity3d");
    const QString second = setup.file("abdata/chara/body_99.unity3d");
    setup.writeCatalogue("HoneySelect", {{"Lower", 1, {{1, shared}}, {{1, first}, {1, second}}},
                                         {"Upper", upperInstalled, {{2, shared}}, {}}});
    MainWindow window;
    ModTab tab(window);

    tab.press("Lower");

    QCOMPARE(tab.column(0), QStringList({"body_98.unity3d", "body_99.unity3d", "body_00.unity3d"}));
    QCOMPARE(tab.column(1), QStringList({first, second, shared}));
    QCOMPARE(tab.column(2), QStringList({"增加", "增加", "替换"}));
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(tab.files->topLevelItem(i)->statusTip(0), QStringLiteral("Lower"));
        // The path column may be too narrow: the whole row tells the full path.
        QCOMPARE(tab.files->topLevelItem(i)->toolTip(0), tab.column(1).at(i));
        QCOMPARE(tab.files->topLevelItem(i)->toolTip(2), tab.column(1).at(i));
    }
    QVERIFY(hasDefaultColour(tab.files->topLevelItem(0)));
    QVERIFY(hasDefaultColour(tab.files->topLevelItem(1)));
    if (upperInstalled) {
        QVERIFY(isBlue(tab.files->topLevelItem(2)));
    } else {
        QVERIFY(hasDefaultColour(tab.files->topLevelItem(2)));
    }

    tab.press("Upper");
    QCOMPARE(tab.column(2), QStringList({"替换"}));
    QVERIFY(hasDefaultColour(tab.files->topLevelItem(0)));
}

void TestModTab::fileNameIsTakenAfterLastSeparator_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    const QChar native = QDir::separator();
    const QChar other = native == QLatin1Char('/') ? QLatin1Char('\\') : QLatin1Char('/');
    QTest::newRow("native separators")
        << QString("game%1abdata%1coat.unity3d").arg(native) << "coat.unity3d";
    QTest::newRow("other separators only") << QString("game%1abdata%1coat.unity3d").arg(other)
                                           << QString("game%1abdata%1coat.unity3d").arg(other);
    QTest::newRow("mixed") << QString("game%1abdata%2coat.unity3d").arg(native, other)
                           << QString("abdata%1coat.unity3d").arg(other);
    QTest::newRow("no separator") << "coat.unity3d"
                                  << "coat.unity3d";
}

void TestModTab::fileNameIsTakenAfterLastSeparator()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    Setup setup("HoneySelect", {{"A", 1, {}, {{1, path}}}});
    MainWindow window;
    ModTab tab(window);

    tab.press("A");

    QCOMPARE(tab.column(0), QStringList{name});
    QCOMPARE(tab.column(1), QStringList{path});
}

void TestModTab::contextMenuOffersTheOtherState_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("menuShown");
    QTest::addColumn<bool>("installEnabled");
    QTest::addColumn<bool>("pressFirst");
    QTest::newRow("installed mod") << "On" << true << false << true;
    QTest::newRow("uninstalled mod") << "Off" << true << true << true;
    // The game's row offers only the check of every installed mod.
    QTest::newRow("root") << "HoneySelect" << true << false << true;
    QTest::newRow("empty space") << QString() << false << false << false;
    // A request from the keyboard comes without a press on the row.
    QTest::newRow("no press before") << "Off" << true << true << false;
}

void TestModTab::contextMenuOffersTheOtherState()
{
    QFETCH(QString, target);
    QFETCH(bool, menuShown);
    QFETCH(bool, installEnabled);
    QFETCH(bool, pressFirst);
    Setup setup("HoneySelect", {{"Off", 0, {}, {}}, {"On", 1, {}, {}}});
    MainWindow window;
    ModTab tab(window);

    // Closes the popup menu once it is up, noting where and what it showed.
    bool shown = false;
    QPoint shownAt;
    QMap<QString, bool> enabled;
    QTimer probe;
    probe.setInterval(20);
    connect(&probe, &QTimer::timeout, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu) {
            return;
        }
        shown = true;
        shownAt = menu->pos();
        for (QAction *action : menu->actions()) {
            if (action->isVisible()) {
                enabled.insert(action->text(), action->isEnabled());
            }
        }
        menu->close();
    });
    probe.start();

    const QPoint at =
        target.isEmpty() ? QPoint(20, tab.mods->viewport()->height() - 5) : tab.centreOf(target);
    tab.press("On");
    if (pressFirst) {
        tab.press(target, Qt::RightButton);
        QCOMPARE(window.modName(), target);
    }
    const QPoint cursor(120, 130);
    QCursor::setPos(cursor);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, tab.mods->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tab.mods->viewport(), &request);

    QCOMPARE(shown, menuShown);
    if (menuShown) {
        QCOMPARE(window.modName(), target);
        if (target == "HoneySelect") {
            QCOMPARE(enabled.keys(), QStringList({"检查文件"}));
            QVERIFY(enabled.value("检查文件"));
        } else {
            QCOMPARE(enabled.keys(), QStringList({"卸载", "安装", "检查文件"}));
            QCOMPARE(enabled.value("安装"), installEnabled);
            QCOMPARE(enabled.value("卸载"), !installEnabled);
            QCOMPARE(enabled.value("检查文件"), !installEnabled);
        }
        QCOMPARE(shownAt, QCursor::pos());
    }
}

void TestModTab::settingsDialogSwitchesOnlyOnAnotherGame_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("modsShown");
    QTest::addColumn<QString>("notesOfA");
    QTest::newRow("same game") << true << "HoneySelect" << QStringList{"A"} << "typed";
    QTest::newRow("another game") << true << "PlayClub" << QStringList{"P1", "P2"} << "typed";
    QTest::newRow("cancelled") << false << "PlayClub" << QStringList{"A"} << "old";
}

void TestModTab::settingsDialogSwitchesOnlyOnAnotherGame()
{
    QFETCH(bool, accept);
    QFETCH(QString, chosen);
    QFETCH(QStringList, modsShown);
    QFETCH(QString, notesOfA);
    Setup setup("HoneySelect", {{"A", 1, {}, {}, "old"}});
    setup.writeCatalogue("PlayClub", {{"P1", 1, {}, {}}, {"P2", 0, {}, {}}});
    MainWindow window;
    ModTab tab(window);
    tab.press("A");
    tab.notes->setPlainText("typed");
    // A mod recorded on disk behind the window's back: only a reload shows it.
    setup.writeCatalogue("HoneySelect", {{"A", 1, {}, {}, "old"}, {"Late", 1, {}, {}}});
    {
        // What the settings dialog stores when the user picks a game.
        QSettings settings(GameInfo::settingsFile(), QSettings::IniFormat);
        settings.setValue("Global/Select", chosen);
        settings.setValue(chosen + "/GamePath", setup.gamePath);
    }

    ModalAnswerer answerer;
    answerer.expect([&](QWidget *modal) {
        auto *dialog = qobject_cast<SetDialog *>(modal);
        QVERIFY(dialog);
        dialog->m_game = chosen;
        if (accept) {
            dialog->QDialog::accept();
        } else {
            dialog->QDialog::reject();
        }
    });
    QTimer::singleShot(0, &window, [&] {
        QTest::mouseClick(window.findChild<QPushButton *>("buttonSet"), Qt::LeftButton);
    });
    QVERIFY(answerer.waitUntilAnswered());
    QVERIFY(answerer.unexpected().isEmpty());

    QCOMPARE(tab.modIds(), modsShown);
    QCOMPARE(window.gameName(), accept ? chosen : QStringLiteral("HoneySelect"));
    QCOMPARE(storedNotes().value("A"), notesOfA);
}

void TestModTab::aboutShowsVersionAndAuthors()
{
    Setup setup("HoneySelect", {});
    MainWindow window;
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton());

    QTimer::singleShot(0, &window, [&] {
        QTest::mouseClick(window.findChild<QPushButton *>("buttonAbout"), Qt::LeftButton);
    });
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(answerer.messages(), QStringList{"关于|版本：1.7.1\n作者：Veldane 开发团队"});
}

void TestModTab::openGameFolderOpensTheInstallFolder()
{
    Setup setup("HoneySelect", {});
    OpenedFolders opened;
    MainWindow window;

    QTest::mouseClick(window.findChild<QPushButton *>("buttonOpen"), Qt::LeftButton);

    QCOMPARE(opened.folders.size(), 1);
    QCOMPARE(QDir::cleanPath(opened.folders.first()), QDir::cleanPath(setup.gamePath));
}

void TestModTab::filterKeepsNotesWithTheirMod_data()
{
    // Typed into the filter box in turn; each step ends with the mod selected
    // and the notes box showing exactly that mod's notes.
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QString>("pressWhileFiltered");
    QTest::addColumn<QStringList>("shownWhileFiltered");
    QTest::addColumn<QString>("selectedAtEnd");
    QTest::newRow("hidden mod comes back when cleared")
        << QStringList{"blue", ""} << QString() << QStringList{"Bob"} << "Anna";
    QTest::newRow("by notes, another mod picked")
        << QStringList{"BLU", ""} << "Bob" << QStringList{"Bob"} << "Bob";
    QTest::newRow("selected mod stays shown")
        << QStringList{"ann", ""} << QString() << QStringList{"Anna"} << "Anna";
    QTest::newRow("nothing matches")
        << QStringList{"zzz", ""} << QString() << QStringList{} << "Anna";
}

void TestModTab::filterKeepsNotesWithTheirMod()
{
    QFETCH(QStringList, filters);
    QFETCH(QString, pressWhileFiltered);
    QFETCH(QStringList, shownWhileFiltered);
    QFETCH(QString, selectedAtEnd);
    Setup setup("HoneySelect", {{"Anna", 1, {}, {{1, "a.txt"}}, "red"},
                                {"Bob", 1, {}, {{1, "b.txt"}}, "deep blue"},
                                {"Cid", 0, {}, {}, ""}});
    MainWindow window;
    ModTab tab(window);
    auto *filter = window.findChild<QLineEdit *>("filterEdit");
    QVERIFY(filter);
    tab.press("Anna");
    tab.notes->setPlainText("typed for Anna");

    QTest::keyClicks(filter, filters.first());
    QCOMPARE(tab.modIds(), shownWhileFiltered);
    // The box never shows one mod's notes while another, or none, is selected.
    const bool annaShown = shownWhileFiltered.contains("Anna");
    QCOMPARE(window.modName(), annaShown ? QStringLiteral("Anna") : QStringLiteral("HoneySelect"));
    QCOMPARE(tab.notes->toPlainText(), annaShown ? QStringLiteral("typed for Anna") : QString());
    QCOMPARE(storedNotes().value("Anna"), QStringLiteral("typed for Anna"));
    if (!annaShown) {
        // Typed with no mod selected: stored nowhere.
        QTest::keyClicks(tab.notes, "stray");
    }
    if (!pressWhileFiltered.isEmpty()) {
        tab.press(pressWhileFiltered);
        tab.notes->setPlainText("typed for " + pressWhileFiltered);
    }

    filter->setText(filters.last());
    QCOMPARE(tab.modIds(), QStringList({"Anna", "Bob", "Cid"}));
    QCOMPARE(window.modName(), selectedAtEnd);
    QCOMPARE(tab.mods->currentItem()->text(0), selectedAtEnd);
    window.close();
    QMap<QString, QString> expected{{"Anna", "typed for Anna"}, {"Bob", "deep blue"}, {"Cid", ""}};
    if (!pressWhileFiltered.isEmpty()) {
        expected[pressWhileFiltered] = "typed for " + pressWhileFiltered;
    }
    QCOMPARE(storedNotes(), expected);
    QCOMPARE(tab.notes->toPlainText(), expected.value(selectedAtEnd));
    QCOMPARE(tab.files->topLevelItemCount(), 1);
}

void TestModTab::columnsSortAndTheOrderIsRemembered_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QString>("stored");
    // Times as the catalogue writes them, not zero-padded: "2016-12-1" is later
    // than "2016-5-3" although it sorts before it as text.
    QTest::newRow("name, as always") << 0 << 0 << QStringList{"a", "b", "c"} << QString();
    QTest::newRow("name, reversed") << 0 << 1 << QStringList{"c", "b", "a"} << "name desc";
    QTest::newRow("install time") << 1 << 1 << QStringList{"c", "a", "b"} << "time";
    QTest::newRow("install time, newest first")
        << 1 << 2 << QStringList{"b", "a", "c"} << "time desc";
    QTest::newRow("file count") << 2 << 1 << QStringList{"b", "c", "a"} << "files";
}

void TestModTab::columnsSortAndTheOrderIsRemembered()
{
    QFETCH(int, column);
    QFETCH(int, clicks);
    QFETCH(QStringList, order);
    QFETCH(QString, stored);
    const QList<Item> none;
    const QList<Item> two{{1, "x1"}, {1, "x2"}};
    const QList<Item> ten = [] {
        QList<Item> items;
        for (int i = 0; i < 10; ++i) {
            items << Item{1, QStringLiteral("y%1").arg(i)};
        }
        return items;
    }();
    Setup setup("HoneySelect", {{"a", 1, {}, ten, "", "2016-10-20 10:00:00"},
                                {"b", 1, {}, none, "", "2016-12-1 08:00:00"},
                                {"c", 0, {}, two, "", "2016-5-3 09:07:05"}});
    {
        MainWindow window;
        ModTab tab(window);
        QHeaderView *header = tab.mods->header();
        for (int i = 0; i < clicks; ++i) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, 5));
        }
        QCOMPARE(tab.modIds(), order);
        QCOMPARE(tab.row("a")->text(2), QStringLiteral("10"));
    }
    QCOMPARE(QSettings(GameInfo::settingsFile(), QSettings::IniFormat)
                 .value("Global/ModListOrder")
                 .toString(),
             stored);
    // The next start shows the same order.
    MainWindow again;
    ModTab tab(again);
    QCOMPARE(tab.modIds(), order);
    QCOMPARE(tab.row("c")->foreground(2).color(), QColor(Qt::red));
}

void TestModTab::conflictCountsOfTheExampleMods()
{
    const QString examples = QStringLiteral(VELDANE_SOURCE_DIR "/examples");
    Setup setup("HoneySelect", {});
    const QMap<QString, QByteArray> game = TestFiles::fileSnapshot(examples + "/game");
    QVERIFY(!game.isEmpty());
    for (auto it = game.cbegin(); it != game.cend(); ++it) {
        QVERIFY(TestFiles::write(QDir(setup.gamePath).filePath(it.key()), it.value()));
    }
    {
        ModCfg catalogue;
        catalogue.setGame("HoneySelect");
        const Workspace workspace;
        ModCommands commands(catalogue, GameLayout::forGame(workspace, "HoneySelect"));
        QVERIFY(commands.install(examples + "/mods/SoftSkin", "SoftSkin").clean());
        QVERIFY(commands.install(examples + "/mods/SoftSkinHD", "SoftSkinHD").clean());
        QVERIFY(commands.install(examples + "/mods/StudioLights/abdata", "StudioLights").clean());
    }
    MainWindow window;
    ModTab tab(window);
    // The table of examples/README.md: body_00 is SoftSkin's under
    // StudioLights, skin_extra is stacked SoftSkin, SoftSkinHD, StudioLights.
    QCOMPARE(tab.modIds(3),
             QStringList({"覆盖 0 / 被覆盖 2", "覆盖 1 / 被覆盖 1", "覆盖 2 / 被覆盖 0"}));
    QCOMPARE(tab.row("SoftSkin")->toolTip(3),
             QStringLiteral("2 个文件被以下MOD覆盖：SoftSkinHD、StudioLights"));
    QCOMPARE(
        tab.row("SoftSkinHD")->toolTip(3),
        QStringLiteral("覆盖以下MOD的 1 个文件：SoftSkin\n1 个文件被以下MOD覆盖：StudioLights"));
    QCOMPARE(tab.row("StudioLights")->toolTip(3),
             QStringLiteral("覆盖以下MOD的 2 个文件：SoftSkin、SoftSkinHD"));

    // Without the middle layer the other two still meet on two files.
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton());
    tab.press("SoftSkinHD");
    QTimer::singleShot(0, &window, [&] {
        QMetaObject::invokeMethod(&window, "sltUninstall", Qt::DirectConnection);
    });
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages(), QStringList{"提示|卸载成功!"});
    QCOMPARE(tab.modIds(3), QStringList({"覆盖 0 / 被覆盖 2", "", "覆盖 2 / 被覆盖 0"}));
    QCOMPARE(tab.row("SoftSkinHD")->toolTip(3), QString());
}

QTEST_MAIN(TestModTab)
#include "tst_modtab.moc"
