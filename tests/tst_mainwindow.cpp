#include "gui/mainwindow.h"
#include "support/modalanswerer.h"
#include "support/sandbox.h"
#include "support/scopedwineprefix.h"
#include "support/testsupport.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void windowHasFixedSize();
    void widgetsSitWhereTheFormPutsThem_data();
    void widgetsSitWhereTheFormPutsThem();
    void buttonsShowIconsAndTips_data();
    void buttonsShowIconsAndTips();
    void listsAndMenuArePrepared();
    void constructionRunsNoSlot();
    void cancelledFirstStartLeavesWindowUnfinished();
    void gameIsChosenFromTheSettings_data();
    void gameIsChosenFromTheSettings();
};

void TestMainWindow::windowHasFixedSize()
{
    const Sandbox box(Sandbox::NoCatalogue, QStringLiteral("Demo"));
    MainWindow window;
    QVERIFY(window.isReady());
    QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Veldane"));
    QCOMPARE(window.size(), QSize(847, 546));
    QCOMPARE(window.minimumSize(), QSize(847, 546));
    QCOMPARE(window.maximumSize(), QSize(847, 546));
    window.show();
    window.resize(1200, 900);
    QCOMPARE(window.size(), QSize(847, 546));
}

void TestMainWindow::widgetsSitWhereTheFormPutsThem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("tabWidget") << "tabWidget"
                               << "centralWidget" << QRect(0, 0, 851, 551);
    QTest::newRow("treeWidget2") << "treeWidget2"
                                 << "tab" << QRect(470, 10, 371, 381);
    QTest::newRow("buttonInstall") << "buttonInstall"
                                   << "tab" << QRect(10, 10, 31, 31);
    QTest::newRow("label") << "label"
                           << "tab" << QRect(470, 407, 200, 22);
    QTest::newRow("buttonSet") << "buttonSet"
                               << "tab" << QRect(10, 90, 31, 31);
    QTest::newRow("buttonOpen") << "buttonOpen"
                                << "tab" << QRect(10, 130, 31, 31);
    QTest::newRow("treeWidget") << "treeWidget"
                                << "tab" << QRect(50, 40, 411, 471);
    QTest::newRow("buttonAbout") << "buttonAbout"
                                 << "tab" << QRect(10, 480, 31, 31);
    QTest::newRow("buttonRemove") << "buttonRemove"
                                  << "tab" << QRect(10, 50, 31, 31);
    QTest::newRow("textEdit") << "textEdit"
                              << "tab" << QRect(470, 430, 371, 81);
    QTest::newRow("filterEdit") << "filterEdit"
                                << "tab" << QRect(50, 10, 411, 25);
    QTest::newRow("comboBox") << "comboBox"
                              << "tab_2" << QRect(50, 10, 181, 22);
    QTest::newRow("listWidget") << "listWidget"
                                << "tab_2" << QRect(50, 40, 181, 471);
    QTest::newRow("picLabel") << "picLabel"
                              << "tab_2" << QRect(260, 20, 561, 481);
    QTest::newRow("buttonRefresh") << "buttonRefresh"
                                   << "tab_2" << QRect(10, 10, 31, 31);
    QTest::newRow("buttonOpenFolder") << "buttonOpenFolder"
                                      << "tab_2" << QRect(10, 50, 31, 31);
}

void TestMainWindow::widgetsSitWhereTheFormPutsThem()
{
    QFETCH(QString, name);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    const Sandbox box(Sandbox::NoCatalogue, QStringLiteral("Demo"));
    MainWindow window;
    auto *widget = window.findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    QCOMPARE(widget->geometry(), geometry);
}

void TestMainWindow::buttonsShowIconsAndTips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("install") << "buttonInstall" << QStringLiteral("安装MOD");
    QTest::newRow("remove") << "buttonRemove" << QStringLiteral("移除MOD");
    QTest::newRow("set") << "buttonSet" << QStringLiteral("设置");
    QTest::newRow("open") << "buttonOpen" << QStringLiteral("打开游戏目录");
    QTest::newRow("about") << "buttonAbout" << QString();
    QTest::newRow("refresh") << "buttonRefresh" << QStringLiteral("刷新");
    QTest::newRow("openFolder") << "buttonOpenFolder" << QStringLiteral("打开文件夹");
}

void TestMainWindow::buttonsShowIconsAndTips()
{
    QFETCH(QString, name);
    QFETCH(QString, toolTip);
    const Sandbox box(Sandbox::NoCatalogue, QStringLiteral("Demo"));
    MainWindow window;
    auto *button = window.findChild<QPushButton *>(name);
    QVERIFY(button);
    QVERIFY(button->text().isEmpty());
    QVERIFY(!button->icon().isNull());
    QVERIFY(!button->icon().pixmap(16, 16).isNull());
    QCOMPARE(button->toolTip(), toolTip);
}

void TestMainWindow::listsAndMenuArePrepared()
{
    const Sandbox box(Sandbox::NoCatalogue, QStringLiteral("Demo"));
    MainWindow window;

    auto *tabs = window.findChild<QTabWidget *>("tabWidget");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("MOD"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("PNG"));
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(window.findChild<QLabel *>("label")->text(), QStringLiteral("备注："));
    QVERIFY(window.findChild<QLabel *>("picLabel")->text().isEmpty());

    auto *mods = window.findChild<QTreeWidget *>("treeWidget");
    QCOMPARE(mods->columnCount(), 4);
    QCOMPARE(mods->headerItem()->text(0), QStringLiteral("名字"));
    QCOMPARE(mods->headerItem()->text(1), QStringLiteral("安装时间"));
    QCOMPARE(mods->headerItem()->text(2), QStringLiteral("文件数"));
    QCOMPARE(mods->headerItem()->text(3), QStringLiteral("冲突"));
    QCOMPARE(mods->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(mods->isSortingEnabled());
    QCOMPARE(mods->contextMenuPolicy(), Qt::CustomContextMenu);
    QVERIFY(mods->showDropIndicator());
    QCOMPARE(mods->header()->sectionResizeMode(0), QHeaderView::Interactive);

    auto *files = window.findChild<QTreeWidget *>("treeWidget2");
    QCOMPARE(files->columnCount(), 3);
    QCOMPARE(files->headerItem()->text(0), QStringLiteral("名字"));
    QCOMPARE(files->headerItem()->text(1), QStringLiteral("路径"));
    QCOMPARE(files->headerItem()->text(2), QStringLiteral("操作"));
    // The path takes the free width, the action only what it needs.
    QCOMPARE(files->header()->sectionResizeMode(1), QHeaderView::Stretch);
    QCOMPARE(files->header()->sectionResizeMode(2), QHeaderView::ResizeToContents);
    QVERIFY(!files->header()->stretchLastSection());

    const QList<QMenu *> menus =
        window.findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(menus.size(), 1);
    const QList<QAction *> actions = menus.first()->actions();
    QCOMPARE(actions.size(), 3);
    QCOMPARE(actions.at(0)->text(), QStringLiteral("安装"));
    QCOMPARE(actions.at(1)->text(), QStringLiteral("卸载"));
    QCOMPARE(actions.at(2)->text(), QStringLiteral("检查文件"));
    QCOMPARE(actions.at(0)->parent(), &window);

    QVERIFY(QDir(box.dir.filePath("config")).exists());
    QCOMPARE(window.gameName(), QStringLiteral("Demo"));
    QCOMPARE(window.modName(), QStringLiteral("Demo"));
}

void TestMainWindow::constructionRunsNoSlot()
{
    const Sandbox box(Sandbox::NoCatalogue, QStringLiteral("Demo"));
    const QByteArray catalogue = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Demo>\n"
                                 "    <mod id=\"A\">\n        <info>notes of A</info>\n"
                                 "        <time>2024-3-7 09:05:31</time>\n"
                                 "        <install>1</install>\n        <replace/>\n"
                                 "        <add/>\n    </mod>\n</Demo>\n";
    QVERIFY(TestFiles::write(box.dir.filePath("config/Demo.xml"), catalogue));

    MainWindow window;
    QVERIFY(window.isReady());
    // Filling the trees selected nothing and stored no notes.
    QCOMPARE(window.modName(), QStringLiteral("Demo"));
    QVERIFY(window.findChild<QTextEdit *>("textEdit")->toPlainText().isEmpty());
    QVERIFY(window.findChild<QTreeWidget *>("treeWidget2")->topLevelItemCount() == 0);
    QCOMPARE(window.findChild<QComboBox *>("comboBox")->count(), 0);
    QCOMPARE(window.findChild<QListWidget *>("listWidget")->count(), 0);
    QCOMPARE(TestFiles::read(box.dir.filePath("config/Demo.xml")), catalogue);
}

void TestMainWindow::cancelledFirstStartLeavesWindowUnfinished()
{
    ScopedWorkingDir dir; // no settings file: first start
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::reject()); // the settings dialog
    answerer.expect(ModalAnswerer::pressButton(QMessageBox::Ok));

    MainWindow window;
    QVERIFY(!window.isReady());
    QVERIFY(answerer.waitUntilAnswered());
    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(answerer.messages().last(), QStringLiteral("错误|无法获取游戏路径,请检查注册表!"));
    QVERIFY(!QFile::exists(dir.filePath("Veldane.ini")));
}

void TestMainWindow::gameIsChosenFromTheSettings_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("game");
    QTest::newRow("selected") << QByteArray("[Global]\nSelect=Demo\n[Demo]\nGamePath=/games/demo/"
                                            "\n[Zeta]\nGamePath=/games/zeta/\n")
                              << "Demo";
    QTest::newRow("first game when none selected")
        << QByteArray(
               "[Global]\nSelect=\n[Demo]\nGamePath=/games/demo/\n[Zeta]\nGamePath=/games/zeta/\n")
        << "Demo";
    QTest::newRow("a game sorting before Global")
        << QByteArray("[Global]\nSelect=\n[AA2]\nGamePath=/games/aa2/\n") << "AA2";
    QTest::newRow("selection that is no folder name")
        << QByteArray("[Global]\nSelect=..\n[Demo]\nGamePath=/games/demo/\n") << "Demo";
    QTest::newRow("selected game whose group is gone")
        << QByteArray("[Global]\nSelect=Gone\n[Demo]\nGamePath=/games/demo/\n") << "Gone";
}

void TestMainWindow::gameIsChosenFromTheSettings()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, game);
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(dir.filePath("Veldane.ini"), settings));
    ScopedWinePrefix noWine; // no registry may answer for these games
    ModalAnswerer answerer;  // a settings dialog here would be a fault: it gets rejected
    MainWindow window;
    QVERIFY(answerer.unexpected().isEmpty());
    QVERIFY(window.isReady());
    QCOMPARE(window.gameName(), game);
    QCOMPARE(window.modStore(), dir.path() + "/mod/" + game);
    QCOMPARE(window.bakRoot(), TestFiles::native(dir.path() + "/data/" + game));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
