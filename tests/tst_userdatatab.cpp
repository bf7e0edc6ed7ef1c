#include "config/gameinfo.h"
#include "gui/mainwindow.h"
#include "support/modalanswerer.h"
#include "support/openedfolders.h"
#include "support/testsupport.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
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

    void card(const QString &relative, const QSize &size = QSize(8, 8)) const
    {
        const QString path = folder(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::red);
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

    explicit TabWidgets(MainWindow &window)
        : tabs(window.findChild<QTabWidget *>("tabWidget")),
          combo(window.findChild<QComboBox *>("comboBox")),
          list(window.findChild<QListWidget *>("listWidget")),
          preview(window.findChild<QLabel *>("picLabel")),
          notesCaption(window.findChild<QLabel *>("label")),
          refresh(window.findChild<QPushButton *>("buttonRefresh")),
          openFolder(window.findChild<QPushButton *>("buttonOpenFolder"))
    {
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

QTEST_MAIN(TestUserDataTab)
#include "tst_userdatatab.moc"
