#include "gui/mainwindow.h"
#include "support/modalanswerer.h"
#include "support/scopedwineprefix.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDomDocument>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <QtTest>

// One user's afternoon with Veldane, driven only through the window, its
// dialogs and its message boxes, with the disk checked after every step.
class TestUserJourney : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void userJourney();
    void notesFollowTheListAfterCommands();
    void modNamedAfterTheGameIsRefused();
    void correctedFoldersAreTakenAtOnce();
    void removalThatRestoredButKeptTheRecord();
    void severalModsInTheOrderPicked();

private:
    using Tree = QMap<QString, QByteArray>;

    static QByteArray png(const QColor &colour);
    static Tree files(const QString &root);
    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    void firstStart();
    void install(const QString &folder, const QString &name);
    void pressMod(const QString &name, Qt::KeyboardModifiers modifiers = {});
    void runContextAction(const QString &mod, const QString &actionText);
    void chooseGame(const QString &game, const QString &addFolder = QString());
    QStringList fileRows() const;
    QStringList relationsRows(int fileRow);
    QDomElement modElement(const QString &game, const QString &id) const;
    void expectGame(const Tree &expected) const;

    ScopedWorkingDir *m_dir = nullptr;
    ModalAnswerer *m_answerer = nullptr;
    MainWindow *m_window = nullptr;
    ScopedWinePrefix *m_noWine = nullptr;
};

QByteArray TestUserJourney::png(const QColor &colour)
{
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TestUserJourney::Tree TestUserJourney::files(const QString &root)
{
    return TestFiles::fileSnapshot(root);
}

void TestUserJourney::init()
{
    m_dir = new ScopedWorkingDir;
    // No Wine prefix may answer for the games of this test.
    m_noWine = new ScopedWinePrefix;
    m_answerer = new ModalAnswerer;

    TestFiles::write(path("game/abdata/chara/body_00.unity3d"), "game body");
    TestFiles::write(path("game/abdata/list/items.txt"), "game items");
    TestFiles::write(path("game/Plugins/core.dll"), "game core");
    TestFiles::write(path("game/UserData/chara/female/card1.png"), png(Qt::darkCyan));
    QDir().mkpath(path("game/UserData/chara/male"));
    TestFiles::write(path("game/UserData/cap/cap1.png"), png(Qt::darkYellow));
    TestFiles::write(path("game2/UserData/chara/girl.png"), png(Qt::magenta));

    TestFiles::write(path("mods/A/abdata/chara/body_00.unity3d"), "A body");
    TestFiles::write(path("mods/A/abdata/chara/hair_A.unity3d"), "A hair");
    TestFiles::write(path("mods/B/abdata/chara/body_00.unity3d"), "B body");
    TestFiles::write(path("mods/B/abdata/chara/hair_A.unity3d"), "B hair");
    TestFiles::write(path("mods/B/UserData/chara/female/cardB.png"), png(Qt::darkRed));
}

void TestUserJourney::cleanup()
{
    delete m_window;
    m_window = nullptr;
    delete m_answerer;
    delete m_noWine;
    m_noWine = nullptr;
    delete m_dir;
}

template<typename T> static T *child(QWidget *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found) {
        qWarning("no widget %s", name);
    }
    return found;
}

static void queuedClick(QAbstractButton *button)
{
    QTimer::singleShot(0, button, [button]() { button->click(); });
}

void TestUserJourney::expectGame(const Tree &expected) const
{
    const Tree actual = files(path("game"));
    if (actual != expected) {
        qWarning() << "game folder:" << actual.keys();
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            if (actual.value(it.key()) != it.value()) {
                qWarning() << "differs:" << it.key() << actual.value(it.key()) << "expected"
                           << it.value().left(20);
            }
        }
    }
    QVERIFY(actual == expected);
}

QDomElement TestUserJourney::modElement(const QString &game, const QString &id) const
{
    QDomDocument document;
    QFile file(path("config/" + game + ".xml"));
    if (!file.open(QIODevice::ReadOnly) || !document.setContent(&file)) {
        return QDomElement();
    }
    for (QDomElement mod = document.documentElement().firstChildElement(); !mod.isNull();
         mod = mod.nextSiblingElement()) {
        if (mod.attribute("id") == id) {
            return mod;
        }
    }
    return QDomElement();
}

// "order path-relative-to-game kind" for every item of a mod in the file.
static QStringList items(const QDomElement &mod, const QString &gameRoot)
{
    QStringList lines;
    for (const char *kind : {"replace", "add"}) {
        const QDomElement list = mod.firstChildElement(QLatin1String(kind));
        for (QDomElement item = list.firstChildElement(); !item.isNull();
             item = item.nextSiblingElement()) {
            QString file = QDir::fromNativeSeparators(item.text());
            file.remove(0, QDir::fromNativeSeparators(gameRoot).size());
            if (file.startsWith('/')) {
                file.remove(0, 1);
            }
            lines << item.attribute("order") + ' ' + file + ' ' + QLatin1String(kind);
        }
    }
    lines.sort();
    return lines;
}

void TestUserJourney::firstStart()
{
    const QString gameFolder = TestFiles::native(path("game")) + QDir::separator();
    m_answerer->expect([](QWidget *settings) {
        QCOMPARE(settings->windowTitle(), QStringLiteral("设置"));
        queuedClick(child<QPushButton>(settings, "buttonAdd"));
    });
    m_answerer->expect([gameFolder](QWidget *addGame) {
        QCOMPARE(addGame->windowTitle(), QStringLiteral("添加游戏"));
        child<QLineEdit>(addGame, "lineEditGame")->setText("HoneySelect");
        child<QLineEdit>(addGame, "lineEditPath")->setText(gameFolder);
        queuedClick(child<QPushButton>(addGame, "buttonOk"));
    });
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    m_answerer->expect([gameFolder](QWidget *settings) {
        auto *field = child<QLineEdit>(settings, "lineEditGamePath");
        if (field->text().isEmpty()) {
            field->setText(gameFolder);
        }
        queuedClick(child<QPushButton>(settings, "buttonOk"));
    });

    m_window = new MainWindow;
    QVERIFY(m_answerer->waitUntilAnswered());
    QVERIFY(m_answerer->unexpected().isEmpty());
    QVERIFY(m_answerer->messages().contains(QStringLiteral("提示|添加成功！")));
    QVERIFY(m_window->isReady());
    m_window->show();

    QSettings settings(path("Veldane.ini"), QSettings::IniFormat);
    QCOMPARE(settings.value("Global/Select").toString(), QStringLiteral("HoneySelect"));
    QCOMPARE(settings.value("HoneySelect/GamePath").toString(), gameFolder);
    QCOMPARE(settings.value("Global/BakPath").toString(), TestFiles::native(path("data")));
    QVERIFY(QFile::exists(path("config/HoneySelect.xml")));

    auto *mods = child<QTreeWidget>(m_window, "treeWidget");
    QCOMPARE(mods->topLevelItemCount(), 1);
    QCOMPARE(mods->topLevelItem(0)->text(0), QStringLiteral("HoneySelect"));
    QCOMPARE(mods->topLevelItem(0)->childCount(), 0);
}

void TestUserJourney::install(const QString &folder, const QString &name)
{
    m_answerer->expect(ModalAnswerer::chooseFile(TestFiles::native(folder)));
    m_answerer->expect([name](QWidget *nameDialog) {
        QCOMPARE(nameDialog->windowTitle(), QStringLiteral("MOD名称"));
        child<QLineEdit>(nameDialog, "lineEdit")->setText(name);
        queuedClick(child<QPushButton>(nameDialog, "pushButton"));
    });
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    child<QPushButton>(m_window, "buttonInstall")->click();
    QVERIFY(m_answerer->waitUntilAnswered());
    QVERIFY(m_answerer->unexpected().isEmpty());
    QCOMPARE(m_answerer->messages().last(), QStringLiteral("提示|安装成功!"));
}

void TestUserJourney::pressMod(const QString &name, Qt::KeyboardModifiers modifiers)
{
    auto *mods = child<QTreeWidget>(m_window, "treeWidget");
    const QList<QTreeWidgetItem *> found =
        mods->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(found.size(), 1);
    const QRect rect = mods->visualItemRect(found.first());
    QTest::mousePress(mods->viewport(), Qt::LeftButton, modifiers, rect.center());
    QTest::mouseRelease(mods->viewport(), Qt::LeftButton, modifiers, rect.center());
    QCOMPARE(m_window->modName(), name);
}

void TestUserJourney::runContextAction(const QString &mod, const QString &actionText)
{
    auto *mods = child<QTreeWidget>(m_window, "treeWidget");
    const QRect rect =
        mods->visualItemRect(mods->findItems(mod, Qt::MatchExactly | Qt::MatchRecursive).first());
    // The menu is a popup, not a modal window: pick the entry once it shows.
    bool enabled = false;
    QTimer picker;
    picker.setInterval(20);
    connect(&picker, &QTimer::timeout, this, [&]() {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu) {
            return;
        }
        picker.stop();
        for (QAction *action : menu->actions()) {
            if (action->text() == actionText) {
                enabled = action->isEnabled();
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        menu->close();
    });
    picker.start();
    QTest::mousePress(mods->viewport(), Qt::RightButton, {}, rect.center());
    QContextMenuEvent event(QContextMenuEvent::Mouse, rect.center(),
                            mods->viewport()->mapToGlobal(rect.center()));
    QApplication::sendEvent(mods->viewport(), &event);
    QVERIFY(m_answerer->waitUntilAnswered());
    QVERIFY(enabled);
}

QStringList TestUserJourney::fileRows() const
{
    QStringList rows;
    auto *list = child<QTreeWidget>(m_window, "treeWidget2");
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = list->topLevelItem(i);
        const bool blue = row->foreground(0).color() == QColor(Qt::blue);
        rows << row->text(0) + ' ' + row->text(2) + (blue ? " blue" : "");
    }
    return rows;
}

QStringList TestUserJourney::relationsRows(int fileRow)
{
    QStringList rows;
    m_answerer->expect([&rows](QWidget *dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("替换关系"));
        auto *tree = child<QTreeWidget>(dialog, "treeWidget");
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = tree->topLevelItem(i);
            const bool blue = row->foreground(1).color() == QColor(Qt::blue);
            rows << row->text(0) + ' ' + row->text(1) + (blue ? " blue" : "");
        }
        static_cast<QDialog *>(dialog)->reject();
    });
    auto *list = child<QTreeWidget>(m_window, "treeWidget2");
    const QRect rect = list->visualItemRect(list->topLevelItem(fileRow));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    [&]() { QVERIFY(m_answerer->waitUntilAnswered()); }();
    return rows;
}

void TestUserJourney::chooseGame(const QString &game, const QString &addFolder)
{
    if (!addFolder.isEmpty()) {
        m_answerer->expect(
            [](QWidget *settings) { queuedClick(child<QPushButton>(settings, "buttonAdd")); });
        m_answerer->expect([game, addFolder](QWidget *addGame) {
            child<QLineEdit>(addGame, "lineEditGame")->setText(game);
            child<QLineEdit>(addGame, "lineEditPath")->setText(addFolder);
            queuedClick(child<QPushButton>(addGame, "buttonOk"));
        });
        m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    }
    m_answerer->expect([game](QWidget *settings) {
        auto *games = child<QComboBox>(settings, "comboBoxGame");
        games->setCurrentIndex(games->findText(game));
        queuedClick(child<QPushButton>(settings, "buttonOk"));
    });
    child<QPushButton>(m_window, "buttonSet")->click();
    QVERIFY(m_answerer->waitUntilAnswered());
    QVERIFY(m_answerer->unexpected().isEmpty());
    QCOMPARE(m_window->gameName(), game);
}

// Counts the showings of the busy indicator and can act at each, while the
// command that showed it runs.
class BusyWatcher : public QObject
{
public:
    BusyWatcher() { qApp->installEventFilter(this); }
    int shown = 0;
    std::function<void()> onShow;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<QProgressDialog *>(watched)) {
            ++shown;
            if (onShow) {
                onShow();
            }
        }
        return false;
    }
};

void TestUserJourney::userJourney()
{
    const Tree original = files(path("game"));
    const QString game = path("game/");
    firstStart();
    if (QTest::currentTestFailed()) {
        return;
    }

    // Install A: it replaces the body and adds a hair file.
    install(path("mods/A"), "A");
    if (QTest::currentTestFailed()) {
        return;
    }
    Tree afterA = original;
    afterA["abdata/chara/body_00.unity3d"] = "A body";
    afterA["abdata/chara/hair_A.unity3d"] = "A hair";
    expectGame(afterA);
    QCOMPARE(files(path("data/HoneySelect/A")),
             (Tree{{"abdata/chara/body_00.unity3d", "game body"}}));
    QCOMPARE(files(path("mod/HoneySelect/A")), files(path("mods/A")));
    QCOMPARE(items(modElement("HoneySelect", "A"), game),
             (QStringList{"1 abdata/chara/body_00.unity3d replace",
                          "1 abdata/chara/hair_A.unity3d add"}));

    auto *mods = child<QTreeWidget>(m_window, "treeWidget");
    QTreeWidgetItem *itemA = mods->findItems("A", Qt::MatchExactly | Qt::MatchRecursive).first();
    QCOMPARE(itemA->foreground(0).color(), QColor(46, 139, 87));
    QVERIFY(QRegularExpression("^\\d{4}-\\d{1,2}-\\d{1,2} \\d\\d:\\d\\d:\\d\\d$")
                .match(itemA->text(1))
                .hasMatch());

    // Install B over A: body and hair replaced again, a card added.
    install(path("mods/B"), "B");
    Tree afterB = afterA;
    afterB["abdata/chara/body_00.unity3d"] = "B body";
    afterB["abdata/chara/hair_A.unity3d"] = "B hair";
    afterB["UserData/chara/female/cardB.png"] = png(Qt::darkRed);
    expectGame(afterB);
    QCOMPARE(files(path("data/HoneySelect/B")), (Tree{{"abdata/chara/body_00.unity3d", "A body"},
                                                      {"abdata/chara/hair_A.unity3d", "A hair"}}));
    QCOMPARE(items(modElement("HoneySelect", "B"), game),
             (QStringList{"1 UserData/chara/female/cardB.png add",
                          "2 abdata/chara/body_00.unity3d replace",
                          "2 abdata/chara/hair_A.unity3d replace"}));

    // A's files are overwritten by B: blue in A's list, not in B's.
    pressMod("A");
    QCOMPARE(fileRows(), (QStringList{"hair_A.unity3d 增加 blue", "body_00.unity3d 替换 blue"}));
    QCOMPARE(relationsRows(1), (QStringList{"2 B", "1 A blue"}));
    child<QTextEdit>(m_window, "textEdit")->setPlainText("A: <soft> & warm\n第二行");
    pressMod("B");
    QCOMPARE(modElement("HoneySelect", "A").firstChildElement("info").text(),
             QStringLiteral("A: <soft> & warm\n第二行"));
    QCOMPARE(fileRows(),
             (QStringList{"cardB.png 增加", "body_00.unity3d 替换", "hair_A.unity3d 替换"}));
    pressMod("A");
    QCOMPARE(child<QTextEdit>(m_window, "textEdit")->toPlainText(),
             QStringLiteral("A: <soft> & warm\n第二行"));

    // Uninstall the lower mod A: B's versions stay, B inherits what lay below A.
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    runContextAction("A", QStringLiteral("卸载"));
    QCOMPARE(m_answerer->messages().last(), QStringLiteral("提示|卸载成功!"));
    expectGame(afterB);
    QCOMPARE(modElement("HoneySelect", "A").firstChildElement("install").text(),
             QStringLiteral("0"));
    QCOMPARE(items(modElement("HoneySelect", "B"), game),
             (QStringList{"1 UserData/chara/female/cardB.png add",
                          "1 abdata/chara/body_00.unity3d replace",
                          "1 abdata/chara/hair_A.unity3d add"}));
    QCOMPARE(files(path("data/HoneySelect/B")),
             (Tree{{"abdata/chara/body_00.unity3d", "game body"}}));
    QVERIFY(!QDir(path("data/HoneySelect/A")).exists());
    itemA = mods->findItems("A", Qt::MatchExactly | Qt::MatchRecursive).first();
    QCOMPARE(itemA->foreground(0).color(), QColor(Qt::red));

    // Reinstall A from its kept copy: it goes on top of B.
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    runContextAction("A", QStringLiteral("安装"));
    QCOMPARE(m_answerer->messages().last(), QStringLiteral("提示|安装成功!"));
    Tree reinstalled = afterB;
    reinstalled["abdata/chara/body_00.unity3d"] = "A body";
    reinstalled["abdata/chara/hair_A.unity3d"] = "A hair";
    expectGame(reinstalled);
    QCOMPARE(items(modElement("HoneySelect", "A"), game),
             (QStringList{"2 abdata/chara/body_00.unity3d replace",
                          "2 abdata/chara/hair_A.unity3d replace"}));
    pressMod("B");
    // The hair file was handed down to B as an add when A was uninstalled.
    const QStringList rowsOfB = fileRows();
    QCOMPARE(rowsOfB.size(), 3);
    QCOMPARE(QSet<QString>(rowsOfB.begin(), rowsOfB.begin() + 2),
             (QSet<QString>{"cardB.png 增加", "hair_A.unity3d 增加 blue"}));
    QCOMPARE(rowsOfB.last(), QStringLiteral("body_00.unity3d 替换 blue"));

    // Uninstall both, lower one first: the game is as it was.
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    runContextAction("B", QStringLiteral("卸载"));
    reinstalled.remove("UserData/chara/female/cardB.png");
    expectGame(reinstalled);
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    runContextAction("A", QStringLiteral("卸载"));
    expectGame(original);
    QVERIFY(m_answerer->unexpected().isEmpty());

    // Remove A for good.
    pressMod("A");
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Yes));
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    child<QPushButton>(m_window, "buttonRemove")->click();
    QVERIFY(m_answerer->waitUntilAnswered());
    QVERIFY(
        m_answerer->messages().contains(QStringLiteral("注意|MOD将会完全被移除，是否继续操作!")));
    QCOMPARE(m_answerer->messages().last(), QStringLiteral("提示|移除成功!"));
    QVERIFY(modElement("HoneySelect", "A").isNull());
    QVERIFY(!modElement("HoneySelect", "B").isNull());
    QVERIFY(!QDir(path("mod/HoneySelect/A")).exists());
    QVERIFY(QDir(path("mod/HoneySelect/B")).exists());
    expectGame(original);

    // A second game, and back.
    const QString game2 = TestFiles::native(path("game2")) + QDir::separator();
    chooseGame("PlayClub", game2);
    QCOMPARE(mods->topLevelItem(0)->text(0), QStringLiteral("PlayClub"));
    QCOMPARE(mods->topLevelItem(0)->childCount(), 0);
    QVERIFY(QFile::exists(path("config/PlayClub.xml")));
    chooseGame("HoneySelect");
    QCOMPARE(mods->topLevelItem(0)->text(0), QStringLiteral("HoneySelect"));
    QCOMPARE(mods->topLevelItem(0)->childCount(), 1);

    // The card browser.
    auto *tabs = child<QTabWidget>(m_window, "tabWidget");
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    auto *categories = child<QComboBox>(m_window, "comboBox");
    QStringList labels;
    for (int i = 0; i < categories->count(); ++i) {
        labels << categories->itemText(i);
    }
    QCOMPARE(labels, (QStringList{"女人", "摄像", "新场景", "男人", "老场景", "背景"}));
    auto *cards = child<QListWidget>(m_window, "listWidget");
    QCOMPARE(cards->count(), 1);
    QCOMPARE(cards->item(0)->text(), QStringLiteral("card1.png"));
    const QRect cardRect = cards->visualItemRect(cards->item(0));
    QTest::mouseClick(cards->viewport(), Qt::LeftButton, {}, cardRect.center());
    QTest::mouseDClick(cards->viewport(), Qt::LeftButton, {}, cardRect.center());
    const QPixmap preview = child<QLabel>(m_window, "picLabel")->pixmap(Qt::ReturnByValue);
    QVERIFY(!preview.isNull());
    QCOMPARE(preview.width(), 561); // 120 x 80 enlarged to the label's width
    QCOMPARE(child<QLabel>(m_window, "label")->text(), QStringLiteral("备注："));

    // Closing stores the notes of the selected mod; nothing failed, so no log.
    tabs->setCurrentIndex(0);
    pressMod("B");
    child<QTextEdit>(m_window, "textEdit")->setPlainText("B notes");
    m_window->close();
    QCOMPARE(modElement("HoneySelect", "B").firstChildElement("info").text(),
             QStringLiteral("B notes"));
    QVERIFY(!QDir(path("log")).exists() || QDir(path("log")).isEmpty());
    QVERIFY(m_answerer->unexpected().isEmpty());
}

void TestUserJourney::notesFollowTheListAfterCommands()
{
    firstStart();
    install(path("mods/A"), "A");
    QVERIFY(!QTest::currentTestFailed());
    auto *notes = child<QTextEdit>(m_window, "textEdit");
    BusyWatcher busy;
    // After each command the acted-on mod is still the one whose notes show,
    // so closing stores what the user sees.
    for (const QString &action : {QStringLiteral("卸载"), QStringLiteral("安装")}) {
        pressMod("A");
        notes->setPlainText("A notes " + action);
        m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
        runContextAction("A", action);
        QCOMPARE(m_window->modName(), QStringLiteral("A"));
        QCOMPARE(notes->toPlainText(), "A notes " + action);
    }
    QVERIFY(busy.shown > 0);
    pressMod("HoneySelect");
    QCOMPARE(modElement("HoneySelect", "A").firstChildElement("info").text(),
             QStringLiteral("A notes 安装"));

    // Removing a mod that is not installed is no file work: no busy indicator.
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    runContextAction("A", QStringLiteral("卸载"));
    QCOMPARE(m_window->modName(), QStringLiteral("A"));
    busy.shown = 0;
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Yes));
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    child<QPushButton>(m_window, "buttonRemove")->click();
    QVERIFY(m_answerer->waitUntilAnswered());
    QCOMPARE(m_answerer->messages().last(), QStringLiteral("提示|移除成功!"));
    QCOMPARE(busy.shown, 0);
    QCOMPARE(m_window->modName(), QStringLiteral("HoneySelect"));
    QCOMPARE(notes->toPlainText(), QString());
    QVERIFY(m_answerer->unexpected().isEmpty());
}

void TestUserJourney::modNamedAfterTheGameIsRefused()
{
    firstStart();
    const Tree original = files(path("game"));
    m_answerer->expect(ModalAnswerer::chooseFile(TestFiles::native(path("mods/A"))));
    m_answerer->expect([](QWidget *nameDialog) {
        child<QLineEdit>(nameDialog, "lineEdit")->setText("honeyselect");
        queuedClick(child<QPushButton>(nameDialog, "pushButton"));
    });
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    child<QPushButton>(m_window, "buttonInstall")->click();
    QVERIFY(m_answerer->waitUntilAnswered());
    QCOMPARE(m_answerer->messages().last(),
             QStringLiteral("提示|MOD名“honeyselect”与游戏名相同，无法使用，未做任何改动。"
                            "请换一个名称。"));
    expectGame(original);
    QVERIFY(m_window->modCfg().m_mods.isEmpty());
    QVERIFY(!QFileInfo::exists(path("data/HoneySelect/honeyselect")));
    QVERIFY(!QFileInfo::exists(path("mod/HoneySelect/honeyselect")));
    // A refusal is no file work: the busy indicator never came up.
    QVERIFY(!m_window->progress().dialog());
}

void TestUserJourney::correctedFoldersAreTakenAtOnce()
{
    firstStart();
    install(path("mods/A"), "A");
    QVERIFY(!QTest::currentTestFailed());
    pressMod("A");
    child<QTextEdit>(m_window, "textEdit")->setPlainText("typed, not yet stored");

    // The same game, with its folder and the backup root corrected.
    const QString newGame = TestFiles::native(path("game2")) + QDir::separator();
    m_answerer->expect([this, newGame](QWidget *settings) {
        child<QLineEdit>(settings, "lineEditGamePath")->setText(newGame);
        child<QLineEdit>(settings, "lineEditBakPath")->setText(TestFiles::native(path("bak2")));
        queuedClick(child<QPushButton>(settings, "buttonOk"));
    });
    child<QPushButton>(m_window, "buttonSet")->click();
    QVERIFY(m_answerer->waitUntilAnswered());
    QCOMPARE(m_window->gamePath(), newGame);
    QCOMPARE(m_window->bakRoot(), TestFiles::native(path("bak2/HoneySelect")));
    QCOMPARE(m_window->userDataDirs().value(QStringLiteral("女人")),
             newGame + QDir::toNativeSeparators("UserData/chara/female"));
    QCOMPARE(m_window->modName(), QStringLiteral("A"));
    QCOMPARE(child<QTextEdit>(m_window, "textEdit")->toPlainText(),
             QStringLiteral("typed, not yet stored"));

    install(path("mods/B"), "B");
    QCOMPARE(TestFiles::read(path("game2/abdata/chara/body_00.unity3d")), QByteArray("B body"));
    QCOMPARE(TestFiles::read(path("game/abdata/chara/body_00.unity3d")), QByteArray("A body"));
    QCOMPARE(modElement("HoneySelect", "A").firstChildElement("info").text(),
             QStringLiteral("typed, not yet stored"));
}

void TestUserJourney::removalThatRestoredButKeptTheRecord()
{
    const Tree original = files(path("game"));
    firstStart();
    install(path("mods/A"), "A");
    QVERIFY(!QTest::currentTestFailed());
    pressMod("A");

    // Once the files are moving, the catalogue folder becomes unwritable.
    BusyWatcher busy;
    busy.onShow = [this]() {
        QDir().rename(path("config"), path("config.away"));
        TestFiles::write(path("config"), "in the way");
    };
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Yes));
    m_answerer->expect([this](QWidget *box) {
        QFile::remove(path("config"));
        QDir().rename(path("config.away"), path("config"));
        ModalAnswerer::pressButton(QMessageBox::Ok)(box);
    });
    child<QPushButton>(m_window, "buttonRemove")->click();
    QVERIFY(m_answerer->waitUntilAnswered());
    QCOMPARE(m_answerer->messages().last(),
             QStringLiteral("提示|游戏文件已恢复，但无法删除MOD记录（%1），记录已保留为未安装状态。"
                            "请再试一次移除。")
                 .arg(TestFiles::native(path("config/HoneySelect.xml"))));
    expectGame(original);
    QCOMPARE(modElement("HoneySelect", "A").firstChildElement("install").text(),
             QStringLiteral("0"));
    auto *mods = child<QTreeWidget>(m_window, "treeWidget");
    const auto itemA = mods->findItems("A", Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(itemA.size(), 1);
    QCOMPARE(itemA.first()->foreground(0).color(), QColor(Qt::red));
    QCOMPARE(m_window->modName(), QStringLiteral("A"));
}

void TestUserJourney::severalModsInTheOrderPicked()
{
    TestFiles::write(path("mods/C/abdata/chara/coat_C.unity3d"), "C coat");
    const Tree original = files(path("game"));
    firstStart();
    QVERIFY(!QTest::currentTestFailed());

    // Three folders chosen at once: one table of names, one summary.
    const auto quoted = [this](const QString &mod) {
        return '"' + TestFiles::native(path("mods/" + mod)) + '"';
    };
    m_answerer->expect(
        ModalAnswerer::chooseFile(quoted("A") + ' ' + quoted("B") + ' ' + quoted("C")));
    QStringList names;
    m_answerer->expect([&names](QWidget *table) {
        auto *rows = child<QTableWidget>(table, "nameTable");
        for (int row = 0; row < rows->rowCount(); ++row) {
            names << rows->item(row, 0)->text();
        }
        queuedClick(child<QDialogButtonBox>(table, "")->button(QDialogButtonBox::Ok));
    });
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    child<QPushButton>(m_window, "buttonInstall")->click();
    QVERIFY(m_answerer->waitUntilAnswered());
    QCOMPARE(names, QStringList({"A", "B", "C"}));
    QCOMPARE(m_answerer->messages().last(), QStringLiteral("提示|已安装 3 个MOD：A、B、C。"));

    // Picked C, B, A: taken out in that order, after one question.
    pressMod("C");
    pressMod("B", Qt::ControlModifier);
    pressMod("A", Qt::ControlModifier);
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Yes));
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    runContextAction("B", QStringLiteral("卸载"));
    QCOMPARE(m_answerer->messages().mid(m_answerer->messages().size() - 2),
             QStringList({"注意|将按以下顺序卸载 3 个MOD，是否继续操作?\n\nC\nB\nA",
                          "提示|已卸载 3 个MOD：C、B、A。"}));
    expectGame(original);

    // The first refusal stops the run; what ran and what did not is told.
    QVERIFY(QDir(path("mod/HoneySelect/B")).removeRecursively());
    pressMod("A");
    pressMod("B", Qt::ControlModifier);
    pressMod("C", Qt::ControlModifier);
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Yes));
    m_answerer->expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    runContextAction("C", QStringLiteral("安装"));
    QCOMPARE(m_answerer->messages().last(),
             QStringLiteral("提示|已安装 1 个MOD：A。\n在“B”处停止：安装失败!\n未处理：C。"));
    Tree withA = original;
    withA["abdata/chara/body_00.unity3d"] = "A body";
    withA["abdata/chara/hair_A.unity3d"] = "A hair";
    expectGame(withA);
    QCOMPARE(m_window->modCfg().m_mods.value("A").install, 1);
    QCOMPARE(m_window->modCfg().m_mods.value("C").install, 0);
    QVERIFY(m_answerer->unexpected().isEmpty());
}

QTEST_MAIN(TestUserJourney)
#include "tst_userjourney.moc"
