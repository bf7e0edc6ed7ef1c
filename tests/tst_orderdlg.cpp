#include "config/gameinfo.h"
#include "gui/mainwindow.h"
#include "gui/orderdlg.h"
#include "support/modalanswerer.h"
#include "support/testsupport.h"

#include <QHeaderView>
#include <QSettings>
#include <QTreeWidget>
#include <QtTest>

using Layers = QList<OrderDlg::Layer>;
using Records = QMap<QString, ModRecord>;
Q_DECLARE_METATYPE(Layers)
Q_DECLARE_METATYPE(Records)

namespace QTest {
template<> char *toString(const OrderDlg::Layer &layer)
{
    const QByteArray text = QByteArray::number(layer.order) + ' ' + layer.modId.toUtf8();
    return qstrdup(text.constData());
}
} // namespace QTest

class TestOrderDlg : public QObject
{
    Q_OBJECT

private slots:
    void layersOfFile_data();
    void layersOfFile();
    void doubleClickOnFileShowsItsLayers();
};

namespace {

const QString kPath = QStringLiteral("D:\\Games\\HoneySelect\\abdata\\chara\\body_00.unity3d");

ModRecord record(int install, const QList<FileItem> &replace, const QList<FileItem> &add = {})
{
    ModRecord mod;
    mod.install = install;
    mod.replace = replace;
    mod.add = add;
    return mod;
}

} // namespace

void TestOrderDlg::layersOfFile_data()
{
    QTest::addColumn<Records>("mods");
    QTest::addColumn<Layers>("expected");

    QTest::newRow("one mod") << Records{{"A", record(1, {}, {{1, kPath}})}} << Layers{{1, "A"}};
    QTest::newRow("three layers, highest first") << Records{{"C", record(1, {{3, kPath}})},
                                                            {"A", record(1, {}, {{1, kPath}})},
                                                            {"B", record(1, {{2, kPath}})}}
                                                 << Layers{{3, "C"}, {2, "B"}, {1, "A"}};
    QTest::newRow("tie shows the id that sorts last")
        << Records{{"Zeta", record(1, {{2, kPath}})},
                   {"Alpha", record(1, {{2, kPath}})},
                   {"Base", record(1, {}, {{1, kPath}})}}
        << Layers{{2, "Zeta"}, {1, "Base"}};
    QTest::newRow("uninstalled mods are left out")
        << Records{{"A", record(1, {}, {{1, kPath}})}, {"B", record(0, {{2, kPath}})}}
        << Layers{{1, "A"}};
    QTest::newRow("only uninstalled mods") << Records{{"B", record(0, {{1, kPath}})}} << Layers{};
    QTest::newRow("other files and near-miss paths do not count")
        << Records{{"A", record(1, {{2, kPath + "x"}}, {{3, kPath.left(kPath.size() - 1)}})}}
        << Layers{};
    // On Windows "/" separates names as "\\" does; elsewhere it is another path.
    QTest::newRow("path with the other separator")
        << Records{{"A", record(1, {{2, QString(kPath).replace('\\', '/')}})}}
#ifdef Q_OS_WIN
        << Layers{{2, "A"}};
#else
        << Layers{};
#endif
    // One file where names ignore case, as they always do on Windows.
    QTest::newRow("path in another case")
        << Records{{"A", record(1, {{1, QString(kPath).toLower()}})}}
#ifdef Q_OS_WIN
        << Layers{{1, "A"}};
#else
        << Layers{};
#endif
}

void TestOrderDlg::layersOfFile()
{
    QFETCH(Records, mods);
    QFETCH(Layers, expected);
    QCOMPARE(OrderDlg::layersOf(mods, kPath), expected);
}

void TestOrderDlg::doubleClickOnFileShowsItsLayers()
{
    ScopedWorkingDir work;
    const QString gamePath = work.filePath("game") + QDir::separator();
    const QString shared = gamePath + QDir::toNativeSeparators("abdata/body.unity3d");
    const QString own = gamePath + QDir::toNativeSeparators("abdata/own.unity3d");
    {
        QSettings settings(GameInfo::settingsFile(), QSettings::IniFormat);
        settings.setValue("Global/Select", "HoneySelect");
        settings.setValue("HoneySelect/GamePath", gamePath);
    }
    const QString catalogue =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<HoneySelect>"
        "<mod id=\"First\"><info/><time>2016-5-3 09:07:05</time><install>1</install>"
        "<replace/><add><item order=\"1\">" +
        shared + "</item><item order=\"1\">" + own +
        "</item></add></mod>"
        "<mod id=\"Second\"><info/><time>2016-5-3 09:08:00</time><install>1</install>"
        "<replace><item order=\"2\">" +
        shared +
        "</item></replace><add/></mod>"
        "<mod id=\"Gone\"><info/><time>2016-5-3 09:09:00</time><install>0</install>"
        "<replace><item order=\"3\">" +
        shared +
        "</item></replace><add/></mod>"
        "</HoneySelect>\n";
    QVERIFY(TestFiles::write("config/HoneySelect.xml", catalogue.toUtf8()));

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *mods = window.findChild<QTreeWidget *>("treeWidget");
    auto *files = window.findChild<QTreeWidget *>("treeWidget2");
    QTreeWidgetItem *first =
        mods->findItems("First", Qt::MatchExactly | Qt::MatchRecursive).value(0);
    QVERIFY(first);
    QTest::mouseClick(mods->viewport(), Qt::LeftButton, {}, mods->visualItemRect(first).center());
    QCOMPARE(files->topLevelItemCount(), 2);
    QCOMPARE(files->topLevelItem(0)->text(1), shared);

    QStringList title;
    QStringList header;
    QSize size;
    QList<QStringList> rows;
    QList<bool> blue;
    ModalAnswerer answerer;
    answerer.expect([&](QWidget *modal) {
        auto *dialog = qobject_cast<OrderDlg *>(modal);
        QVERIFY(dialog);
        title << dialog->windowTitle();
        size = dialog->size();
        auto *tree = dialog->findChild<QTreeWidget *>("treeWidget");
        QVERIFY(tree);
        header << tree->headerItem()->text(0) << tree->headerItem()->text(1);
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = tree->topLevelItem(i);
            rows << QStringList{row->text(0), row->text(1)};
            blue << (row->foreground(0).color() == QColor(Qt::blue) &&
                     row->foreground(1).color() == QColor(Qt::blue) &&
                     row->foreground(0).style() != Qt::NoBrush);
        }
        dialog->reject();
    });
    // Double-click on the path column of the first row (the shared file).
    const QRect cell = files->visualRect(files->model()->index(0, 1));
    QTimer::singleShot(0, &window, [&] {
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, cell.center());
    });
    QVERIFY(answerer.waitUntilAnswered());
    QVERIFY(answerer.unexpected().isEmpty());

    QCOMPARE(title, QStringList{"替换关系"});
    QCOMPARE(size, QSize(558, 313));
    QCOMPARE(header, QStringList({"顺序", "MOD"}));
    QCOMPARE(rows, (QList<QStringList>{{"2", "Second"}, {"1", "First"}}));
    QCOMPARE(blue, (QList<bool>{false, true}));
}

QTEST_MAIN(TestOrderDlg)
#include "tst_orderdlg.moc"
