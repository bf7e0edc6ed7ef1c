#include "config/gameinfo.h"
#include "gui/cardlibrarymodel.h"
#include "gui/cardlibraryview.h"
#include "gui/mainwindow.h"
#include "gui/thumbnailstore.h"
#include "support/modalanswerer.h"
#include "support/openedfolders.h"
#include "support/scopedtesttrash.h"
#include "support/testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

class TestUserDataTab : public QObject
{
    Q_OBJECT

private slots:
    void tabClickListsCategoriesAndFirstFolder_data();
    void tabClickListsCategoriesAndFirstFolder();
    void tabClickResetsToFirstCategory();
    void otherCategoryAndRefreshRebuildTheList();
    void previewFitsLabelAndRebuildBlanksOnlyThePreview();
    void previewOfDeletedFileIsEmpty();
    void openFolderOpensTheSelectedCategory();
    void unsupportedGameIsReported();
    void textThatNamesNoCategoryDoesNothing();

    // The card library.
    void thumbnailViewShowsCardsAndIsRemembered();
    void findSubfoldersAndDuplicates();
    void changedCardIsShownAsItIsNow();
    void folderDeletedWhileShownEmptiesTheView();
    void trashTakesTheSelectedCardsOnly_data();
    void trashTakesTheSelectedCardsOnly();
};

namespace {

// A working directory whose settings select `game`, installed in ./game/.
struct GameSetup
{
    ScopedWorkingDir work;
    QString gamePath;

    explicit GameSetup(const QString &game, bool withUserData = true)
    {
        gamePath = work.filePath("game") + QDir::separator();
        QDir().mkpath(gamePath);
        if (withUserData) {
            QDir().mkpath(gamePath + "UserData/chara");
        }
        QSettings settings(GameInfo::settingsFile(), QSettings::IniFormat);
        settings.setValue("Global/Select", game);
        settings.setValue(game + "/GamePath", gamePath);
    }

    QString folder(const QString &relative) const { return gamePath + relative; }

    void card(const QString &relative, const QSize &size = QSize(8, 8),
              const QColor &colour = Qt::red) const
    {
        const QString path = folder(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        QVERIFY(image.save(path, "PNG"));
    }
};

struct TabWidgets
{
    QTabWidget *tabs;
    QComboBox *combo;
    QListWidget *list;
    QLabel *preview;
    QLabel *notesCaption;
    QPushButton *refresh;
    QPushButton *openFolder;
    QPushButton *thumbnails;
    CardLibraryView *library;

    explicit TabWidgets(MainWindow &window)
        : tabs(window.findChild<QTabWidget *>("tabWidget")),
          combo(window.findChild<QComboBox *>("comboBox")),
          list(window.findChild<QListWidget *>("listWidget")),
          preview(window.findChild<QLabel *>("picLabel")),
          notesCaption(window.findChild<QLabel *>("label")),
          refresh(window.findChild<QPushButton *>("buttonRefresh")),
          openFolder(window.findChild<QPushButton *>("buttonOpenFolder")),
          thumbnails(window.findChild<QPushButton *>("buttonThumbnails")),
          library(window.findChild<CardLibraryView *>("cardLibrary"))
    {
    }

    CardLibraryModel *cards() const { return library->model(); }

    // Turns the thumbnails on and waits for the listing.
    bool showThumbnails(int expectedRows)
    {
        if (!thumbnails->isChecked()) {
            QTest::mouseClick(thumbnails, Qt::LeftButton);
        }
        return QTest::qWaitFor(
            [&] { return !library->isBusy() && cards()->rowCount() == expectedRows; });
    }

    QColor thumbnailColour(int row) const
    {
        const auto icon = qvariant_cast<QIcon>(cards()->index(row).data(Qt::DecorationRole));
        return icon.pixmap(ThumbnailStore::box()).toImage().pixelColor(40, 100);
    }

    void clickCard(int row)
    {
        QListView *view = library->listView();
        const QModelIndex index = cards()->index(row);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    // What a mouse click on the tab bar's label of the tab sends.
    void clickTab(int index)
    {
        tabs->setCurrentIndex(index);
        emit tabs->tabBarClicked(index);
    }

    QStringList comboTexts() const
    {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i) {
            texts << combo->itemText(i);
        }
        return texts;
    }

    QStringList listed() const
    {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) {
            texts << list->item(i)->text();
        }
        return texts;
    }

    void doubleClick(int row)
    {
        QListWidgetItem *item = list->item(row);
        list->scrollToItem(item);
        const QPoint centre = list->visualItemRect(item).center();
        // A view only takes a double click on the item that the press before it hit.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    }
};

} // namespace

void TestUserDataTab::tabClickListsCategoriesAndFirstFolder_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QString>("firstFolder");
    QTest::newRow("HoneySelect") << "HoneySelect"
                                 << QStringList{"女人", "摄像", "新场景", "男人", "老场景", "背景"}
                                 << "UserData/chara/female";
    QTest::newRow("PlayClub") << "PlayClub" << QStringList{"场景", "女人", "摄像"}
                              << "UserData/save/Studio";
    QTest::newRow("another game") << "Koikatsu"
                                  << QStringList{"场景", "女人", "摄像", "男人", "背景"}
                                  << "UserData/studio";
}

void TestUserDataTab::tabClickListsCategoriesAndFirstFolder()
{
    QFETCH(QString, game);
    QFETCH(QStringList, labels);
    QFETCH(QString, firstFolder);
    GameSetup setup(game);
    setup.card(firstFolder + "/b.png");
    setup.card(firstFolder + "/A.png");
    setup.card("UserData/cap/elsewhere.png");
    MainWindow window;
    TabWidgets tab(window);
    QVERIFY(tab.comboTexts().isEmpty());

    tab.clickTab(1);

    QCOMPARE(tab.comboTexts(), labels);
    QCOMPARE(tab.combo->currentIndex(), 0);
    QCOMPARE(tab.listed(), QStringList({"A.png", "b.png"}));
    QCOMPARE(tab.list->item(0)->statusTip(),
             QFileInfo(setup.folder(firstFolder + "/A.png")).absoluteFilePath());
    QVERIFY(tab.list->item(0)->icon().isNull());
}

void TestUserDataTab::tabClickResetsToFirstCategory()
{
    GameSetup setup("HoneySelect");
    setup.card("UserData/chara/female/f.png");
    setup.card("UserData/cap/c.png");
    MainWindow window;
    TabWidgets tab(window);
    tab.clickTab(1);
    tab.combo->setCurrentText("摄像");
    QCOMPARE(tab.listed(), QStringList({"c.png"}));

    tab.clickTab(1);

    QCOMPARE(tab.combo->currentText(), QStringLiteral("女人"));
    QCOMPARE(tab.listed(), QStringList({"f.png"}));
}

void TestUserDataTab::otherCategoryAndRefreshRebuildTheList()
{
    GameSetup setup("PlayClub");
    setup.card("UserData/chara/girl.png");
    setup.card("UserData/cap/shot1.png");
    MainWindow window;
    TabWidgets tab(window);
    tab.clickTab(1);

    tab.combo->setCurrentText("女人");
    QCOMPARE(tab.listed(), QStringList({"girl.png"}));

    setup.card("UserData/chara/another.png");
    QVERIFY(QFile::remove(setup.folder("UserData/chara/girl.png")));
    QTest::mouseClick(tab.refresh, Qt::LeftButton);
    QCOMPARE(tab.listed(), QStringList({"another.png"}));
}

void TestUserDataTab::previewFitsLabelAndRebuildBlanksOnlyThePreview()
{
    GameSetup setup("HoneySelect");
    setup.card("UserData/chara/female/small.png", QSize(100, 50));
    setup.card("UserData/chara/female/wide.png", QSize(1122, 200));
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TabWidgets tab(window);
    tab.clickTab(1);
    QCOMPARE(tab.preview->size(), QSize(561, 481));

    tab.doubleClick(1);
    QCOMPARE(tab.preview->pixmap(Qt::ReturnByValue).size(), QSize(561, 100));
    QCOMPARE(tab.preview->alignment(), Qt::AlignCenter);

    tab.doubleClick(0);
    QCOMPARE(tab.preview->pixmap(Qt::ReturnByValue).size(), QSize(561, 280));

    QTest::mouseClick(tab.refresh, Qt::LeftButton);
    QVERIFY(tab.preview->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(tab.notesCaption->text(), QStringLiteral("备注："));
}

void TestUserDataTab::previewOfDeletedFileIsEmpty()
{
    GameSetup setup("HoneySelect");
    setup.card("UserData/chara/female/a.png", QSize(40, 40));
    setup.card("UserData/chara/female/b.png", QSize(40, 40));
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TabWidgets tab(window);
    tab.clickTab(1);
    tab.doubleClick(0);
    QVERIFY(!tab.preview->pixmap(Qt::ReturnByValue).isNull());

    QVERIFY(QFile::remove(setup.folder("UserData/chara/female/b.png")));
    tab.doubleClick(1);

    QVERIFY(tab.preview->pixmap(Qt::ReturnByValue).isNull());
}

void TestUserDataTab::openFolderOpensTheSelectedCategory()
{
    GameSetup setup("HoneySelect");
    OpenedFolders opened;
    MainWindow window;
    TabWidgets tab(window);
    tab.clickTab(1);
    tab.combo->setCurrentText("背景");

    QTest::mouseClick(tab.openFolder, Qt::LeftButton);

    QCOMPARE(opened.folders,
             QStringList{QDir::fromNativeSeparators(setup.folder("UserData/background"))});
}

void TestUserDataTab::unsupportedGameIsReported()
{
    GameSetup setup("HoneySelect", false);
    setup.card("UserData/cap/c.png");
    MainWindow window;
    TabWidgets tab(window);
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton());
    answerer.expect(ModalAnswerer::pressButton());

    QTimer::singleShot(0, &window, [&] { tab.clickTab(1); });
    QTRY_COMPARE(answerer.pending(), 1);
    QTimer::singleShot(0, &window, [&] { tab.clickTab(1); });
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(answerer.messages(),
             (QStringList{"提示|暂时不支持此游戏！", "提示|暂时不支持此游戏！"}));
    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(tab.tabs->currentIndex(), 1);
    QVERIFY(tab.comboTexts().isEmpty());
    QCOMPARE(tab.list->count(), 0);
}

void TestUserDataTab::textThatNamesNoCategoryDoesNothing()
{
    // HoneySelect is browsed first; then the game changes to one without
    // user data, so the combo still shows HoneySelect's labels.
    GameSetup setup("HoneySelect");
    setup.card("UserData/chara/female/f.png");
    setup.card("UserData/cap/c.png");
    QVERIFY(TestFiles::write(setup.work.filePath("stray.png"), "x"));
    OpenedFolders opened;
    MainWindow window;
    TabWidgets tab(window);

    // Never clicked: the combo is empty.
    QTest::mouseClick(tab.refresh, Qt::LeftButton);
    QTest::mouseClick(tab.openFolder, Qt::LeftButton);
    QCOMPARE(tab.list->count(), 0);
    QCOMPARE(window.userDataDirs().size(), 6);

    tab.clickTab(1);
    {
        QSettings settings(GameInfo::settingsFile(), QSettings::IniFormat);
        settings.setValue("Global/Select", "Bare");
        settings.setValue("Bare/GamePath",
                          QString(setup.work.filePath("bare") + QDir::separator()));
    }
    QVERIFY(window.initGame());
    QVERIFY(window.userDataDirs().isEmpty());

    tab.combo->setCurrentText("摄像");
    QTest::mouseClick(tab.refresh, Qt::LeftButton);
    QTest::mouseClick(tab.openFolder, Qt::LeftButton);

    QCOMPARE(tab.listed(), QStringList({"f.png"}));
    QVERIFY(opened.folders.isEmpty());
    QVERIFY(window.userDataDirs().isEmpty());

    // The table stayed empty, so the tab still reports the game as unsupported.
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton());
    QTimer::singleShot(0, &window, [&] { tab.clickTab(1); });
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages(), QStringList{"提示|暂时不支持此游戏！"});
}

void TestUserDataTab::thumbnailViewShowsCardsAndIsRemembered()
{
    GameSetup setup("HoneySelect");
    setup.card("UserData/chara/female/a.png", QSize(252, 352));
    setup.card("UserData/chara/female/b.png", QSize(100, 50));
    setup.card("UserData/chara/female/sub/c.png");
    const int refusedBefore = ThumbnailStore::guiThreadRefusals();
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        TabWidgets tab(window);
        tab.clickTab(1);
        QVERIFY(!tab.library->isVisible());

        QVERIFY(tab.showThumbnails(2));
        QVERIFY(tab.library->isVisible());
        QVERIFY(!tab.list->isVisible());
        QCOMPARE(tab.listed(), QStringList({"a.png", "b.png"}));
        QTRY_VERIFY(tab.cards()->hasThumbnail(0) && tab.cards()->hasThumbnail(1));
        QCOMPARE(tab.thumbnailColour(0), QColor(Qt::red));
        QCOMPARE(ThumbnailStore::guiThreadRefusals(), refusedBefore);

        // One click, then the keyboard: each card in the preview beside the view.
        tab.clickCard(0);
        QCOMPARE(tab.preview->pixmap(Qt::ReturnByValue).size(), QSize(251, 350));
        QTest::keyClick(tab.library->listView(), Qt::Key_Right);
        QCOMPARE(tab.preview->pixmap(Qt::ReturnByValue).size(), QSize(251, 125));
        QVERIFY(QDir(setup.work.filePath("cache/cards")).exists());
        QVERIFY(!QDir(setup.folder("UserData/chara/female/cache")).exists());
    }
    MainWindow again;
    TabWidgets tab(again);
    QVERIFY(tab.thumbnails->isChecked());
    tab.clickTab(1);
    QVERIFY(tab.showThumbnails(2));
    QTest::mouseClick(tab.thumbnails, Qt::LeftButton);
    QVERIFY(tab.list->isVisibleTo(&again));
    QCOMPARE(tab.preview->size(), QSize(561, 481));
    QCOMPARE(QSettings(GameInfo::settingsFile(), QSettings::IniFormat)
                 .value("Global/CardThumbnails")
                 .toBool(),
             false);
}

void TestUserDataTab::findSubfoldersAndDuplicates()
{
    GameSetup setup("PlayClub");
    setup.card("UserData/chara/girl.png", QSize(20, 20), Qt::blue);
    setup.card("UserData/chara/boy.png", QSize(20, 20), Qt::green);
    setup.card("UserData/chara/old/girl copy.png", QSize(20, 20), Qt::blue);
    MainWindow window;
    TabWidgets tab(window);
    tab.clickTab(1);
    tab.combo->setCurrentText("女人");
    QVERIFY(tab.showThumbnails(2));

    tab.library->findChild<QCheckBox *>("checkBoxSubfolders")->setChecked(true);
    QTRY_COMPARE(tab.cards()->rowCount(), 3);
    QCOMPARE(tab.listed(), QStringList({"boy.png", "girl.png"}));

    tab.library->findChild<QLineEdit *>("lineEditFindCard")->setText("GIRL");
    QCOMPARE(tab.cards()->rowCount(), 2);
    QCOMPARE(tab.cards()->index(1).data().toString(), QStringLiteral("girl.png"));
    tab.library->findChild<QLineEdit *>("lineEditFindCard")->clear();

    tab.library->findChild<QToolButton *>("buttonFindDuplicates")->click();
    QTRY_VERIFY(tab.cards()->showsGroups() && !tab.library->isBusy());
    QCOMPARE(tab.cards()->rowCount(), 2);
    QCOMPARE(tab.cards()->index(0).data().toString(), QStringLiteral("1组 girl copy.png"));
    QCOMPARE(tab.cards()->index(1).data().toString(), QStringLiteral("1组 girl.png"));
}

void TestUserDataTab::changedCardIsShownAsItIsNow()
{
    GameSetup setup("HoneySelect");
    setup.card("UserData/chara/female/a.png", QSize(252, 352), Qt::red);
    MainWindow window;
    window.show();
    TabWidgets tab(window);
    tab.clickTab(1);
    QVERIFY(tab.showThumbnails(1));
    QTRY_COMPARE(tab.thumbnailColour(0), QColor(Qt::red));

    setup.card("UserData/chara/female/a.png", QSize(252, 352), Qt::blue);
    QFile file(setup.folder("UserData/chara/female/a.png"));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                             QFileDevice::FileModificationTime));
    file.close();

    QTRY_COMPARE(tab.thumbnailColour(0), QColor(Qt::blue));
}

void TestUserDataTab::folderDeletedWhileShownEmptiesTheView()
{
    GameSetup setup("HoneySelect");
    for (const char *name : {"a.png", "b.png", "deep/c.png"}) {
        setup.card(QStringLiteral("UserData/chara/female/") + name);
    }
    MainWindow window;
    window.show();
    TabWidgets tab(window);
    tab.clickTab(1);
    tab.library->findChild<QCheckBox *>("checkBoxSubfolders")->setChecked(true);
    QVERIFY(tab.showThumbnails(3));

    QVERIFY(QDir(setup.folder("UserData/chara/female/deep")).removeRecursively());
    QTRY_COMPARE(tab.cards()->rowCount(), 2);
    QVERIFY(QDir(setup.folder("UserData/chara/female")).removeRecursively());
    QTRY_COMPARE(tab.cards()->rowCount(), 0);
    QTRY_COMPARE(tab.library->findChild<QLabel *>("labelCardCount")->text(),
                 QStringLiteral("0 张卡片"));
}

void TestUserDataTab::trashTakesTheSelectedCardsOnly_data()
{
    QTest::addColumn<bool>("trashWorks");
    QTest::newRow("trash") << true;
    QTest::newRow("no trash") << false;
}

void TestUserDataTab::trashTakesTheSelectedCardsOnly()
{
    QFETCH(bool, trashWorks);
    ScopedTestTrash trash;
#ifdef Q_OS_WIN
    // The Recycle Bin can be neither broken nor looked into from here, and
    // Wine's shell refuses every file: the system's answer for a file of the
    // test's own decides what the window must say.
    if (!trashWorks) {
        QSKIP("the Recycle Bin cannot be made unusable from a test");
    }
    QTemporaryDir probeFolder;
    const QString probe = probeFolder.filePath("probe.png");
    QVERIFY(TestFiles::write(probe, "probe"));
    const bool recycles = QFile::moveToTrash(probe);
#else
    if (!trashWorks) {
        QVERIFY(trash.breakTrash());
    }
    const bool recycles = trashWorks;
#endif
    GameSetup setup("HoneySelect");
    for (const char *name : {"a.png", "b.png", "c.png"}) {
        setup.card(QStringLiteral("UserData/chara/female/") + name);
    }
    const QString female = setup.folder("UserData/chara/female");
    const QMap<QString, QByteArray> before = TestFiles::snapshot(female);
    MainWindow window;
    window.show();
    TabWidgets tab(window);
    tab.clickTab(1);
    QVERIFY(tab.showThumbnails(3));
    tab.clickCard(0);
    QTest::mouseClick(tab.library->listView()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      tab.library->listView()->visualRect(tab.cards()->index(2)).center());

    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton(QMessageBox::Yes));
    answerer.expect(ModalAnswerer::pressButton());
    // The Delete key asks the same as the button.
    QTimer::singleShot(0, &window, [&] {
        if (trashWorks) {
            QTest::keyClick(tab.library->listView(), Qt::Key_Delete);
        } else {
            tab.library->findChild<QToolButton *>("buttonTrashCards")->click();
        }
    });
    QVERIFY(answerer.waitUntilAnswered());

    const QString failed = QStringList{QDir::toNativeSeparators(female + "/a.png"),
                                       QDir::toNativeSeparators(female + "/c.png")}
                               .join('\n');
    QCOMPARE(answerer.messages(),
             QStringList({"注意|把选中的 2 张卡片移到回收站？可以从回收站还原。",
                          recycles ? "提示|已将 2 张卡片移到回收站。"
                                   : "提示|回收站不可用，以下 2 张卡片没有删除：\n" + failed}));
    if (recycles) {
        QCOMPARE(TestFiles::snapshot(female),
                 (QMap<QString, QByteArray>{{"b.png", before["b.png"]}}));
#ifndef Q_OS_WIN
        QCOMPARE(
            TestFiles::snapshot(trash.filesFolder()),
            (QMap<QString, QByteArray>{{"a.png", before["a.png"]}, {"c.png", before["c.png"]}}));
#endif
        QTRY_COMPARE(tab.cards()->rowCount(), 1);
    } else {
        QCOMPARE(TestFiles::snapshot(female), before);
    }
}

QTEST_MAIN(TestUserDataTab)
#include "tst_userdatatab.moc"
