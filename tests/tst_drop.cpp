#include "gui/mainwindow.h"
#include "support/modalanswerer.h"
#include "support/sandbox.h"
#include "support/testarchive.h"
#include "support/testsupport.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QtTest>

using TestArchive::Entry;
using TestArchive::Format;
using Snapshot = QMap<QString, QByteArray>;

Q_DECLARE_METATYPE(QList<TestArchive::Entry>)
Q_DECLARE_METATYPE(TestArchive::Format)

// The sandbox's game "Demo" without a catalogue (the window makes it), a
// mods/ folder, and TMPDIR pointed at its tmp/ folder, so that a test sees
// every temporary folder the window leaves behind.
class DropFixture
{
public:
    DropFixture()
        : m_box(Sandbox::NoCatalogue, QStringLiteral("Demo")), m_previousTmp(qgetenv("TMPDIR"))
    {
        QDir(m_box.dir.path()).mkpath("tmp");
        QDir(m_box.dir.path()).mkpath("mods");
        qputenv("TMPDIR", QFile::encodeName(m_box.dir.filePath("tmp")));
    }
    ~DropFixture() { qputenv("TMPDIR", m_previousTmp); }

    QString path(const QString &relative) const { return m_box.dir.filePath(relative); }
    Snapshot game() const { return TestFiles::snapshot(path("game")); }
    Snapshot kept(const QString &mod) const { return TestFiles::snapshot(path("mod/Demo/" + mod)); }
    Snapshot tmp() const { return TestFiles::snapshot(path("tmp")); }

private:
    Sandbox m_box;
    QByteArray m_previousTmp;
};

class TestDrop : public QObject
{
    Q_OBJECT

private slots:
    void onlyDragsWithUrlsAreAccepted();
    void droppedFolderIsInstalled();
    void droppedArchiveIsInstalledLikeItsFolder_data();
    void droppedArchiveIsInstalledLikeItsFolder();
    void severalArchivesShareOneTableOfNames_data();
    void severalArchivesShareOneTableOfNames();
    void refusedNamesAreMarkedBeforeAnythingIsCopied();
    void hostileArchiveInstallsNothing_data();
    void hostileArchiveInstallsNothing();
    void temporaryFolderGoesWhenTheInstallStops_data();
    void temporaryFolderGoesWhenTheInstallStops();
    void otherItemsGetAMessage();

private:
    static QWidget *viewport(MainWindow &window)
    {
        return window.findChild<QTreeWidget *>(QStringLiteral("treeWidget"))->viewport();
    }
    static bool drop(MainWindow &window, const QList<QUrl> &urls);
    // Accepts the name dialog with its pre-filled name, noting that name.
    static ModalAnswerer::Handler acceptName(QStringList *suggested);
};

bool TestDrop::drop(MainWindow &window, const QList<QUrl> &urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at(20, 20);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport(window), &enter);
    QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport(window), &dropped);
    return enter.isAccepted() && dropped.isAccepted();
}

ModalAnswerer::Handler TestDrop::acceptName(QStringList *suggested)
{
    return [suggested](QWidget *modal) {
        auto *edit = modal->findChild<QLineEdit *>(QStringLiteral("lineEdit"));
        auto *ok = modal->findChild<QPushButton *>(QStringLiteral("pushButton"));
        if (!edit || !ok) {
            static_cast<QDialog *>(modal)->reject();
            return;
        }
        *suggested << edit->text();
        ok->click();
    };
}

static QList<QUrl> localUrls(const QStringList &paths)
{
    QList<QUrl> urls;
    for (const QString &path : paths) {
        urls << QUrl::fromLocalFile(path);
    }
    return urls;
}

void TestDrop::onlyDragsWithUrlsAreAccepted()
{
    DropFixture fixture;
    MainWindow window;
    QVERIFY(window.isReady());

    QMimeData withUrls;
    withUrls.setUrls({QUrl::fromLocalFile(fixture.path("mods"))});
    QDragEnterEvent fileDrag(QPoint(5, 5), Qt::CopyAction, &withUrls, Qt::LeftButton,
                             Qt::NoModifier);
    QApplication::sendEvent(viewport(window), &fileDrag);
    QVERIFY(fileDrag.isAccepted());

    QMimeData textOnly;
    textOnly.setText("abdata");
    QDragEnterEvent textDrag(QPoint(5, 5), Qt::CopyAction, &textOnly, Qt::LeftButton,
                             Qt::NoModifier);
    QApplication::sendEvent(viewport(window), &textDrag);
    QVERIFY(!textDrag.isAccepted());
}

void TestDrop::droppedFolderIsInstalled()
{
    DropFixture fixture;
    QVERIFY(TestFiles::write(fixture.path("mods/Coat.v2/abdata/coat.unity3d"), "coat"));
    MainWindow window;
    QVERIFY(window.isReady());

    ModalAnswerer answerer;
    QStringList suggested;
    answerer.expect(acceptName(&suggested));
    answerer.expect(ModalAnswerer::pressButton());
    QVERIFY(drop(window, localUrls({fixture.path("mods/Coat.v2")})));
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(suggested, QStringList{"Coat.v2"});
    QCOMPARE(answerer.messages().last(), QStringLiteral("提示|安装成功!"));
    QVERIFY(answerer.unexpected().isEmpty());
    const Snapshot installed{{"abdata", "<dir>"}, {"abdata/coat.unity3d", "coat"}};
    QCOMPARE(fixture.game(), installed);
    QCOMPARE(fixture.kept("Coat.v2"), installed);
    QVERIFY(window.modCfg().m_mods.contains("Coat.v2"));
}

void TestDrop::droppedArchiveIsInstalledLikeItsFolder_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<QString>("name");
    // The game folder afterwards; the kept copy holds the same tree.
    QTest::addColumn<Snapshot>("installed");

    const QList<Entry> root{TestArchive::file("abdata/chara/body.unity3d", "body"),
                            TestArchive::file("UserData/chara/female/card.png", "card")};
    const Snapshot rootInstalled{{"abdata", "<dir>"},
                                 {"abdata/chara", "<dir>"},
                                 {"abdata/chara/body.unity3d", "body"},
                                 {"UserData", "<dir>"},
                                 {"UserData/chara", "<dir>"},
                                 {"UserData/chara/female", "<dir>"},
                                 {"UserData/chara/female/card.png", "card"}};
    QList<Entry> wrapped;
    for (const Entry &entry : root) {
        wrapped << TestArchive::file("Body Pack/" + entry.name, entry.data);
    }
    const QList<Entry> chosenAbdata{TestArchive::file("abdata/chara/body.unity3d", "body")};
    const Snapshot abdataInstalled{
        {"abdata", "<dir>"}, {"abdata/chara", "<dir>"}, {"abdata/chara/body.unity3d", "body"}};

    for (const Format format : {Format::Zip, Format::SevenZip}) {
        const QString suffix = format == Format::Zip ? ".zip" : ".7z";
        const char *kind = format == Format::Zip ? "zip" : "7z";
        QTest::addRow("%s mod root", kind)
            << format << "Body Pack" + suffix << root << "Body Pack" << rootInstalled;
        QTest::addRow("%s single wrapping folder", kind)
            << format << "body.v1.2" + suffix << wrapped << "body.v1.2" << rootInstalled;
        QTest::addRow("%s chosen abdata folder", kind)
            << format << "abdata" + suffix << chosenAbdata << "abdata" << abdataInstalled;
    }
}

void TestDrop::droppedArchiveIsInstalledLikeItsFolder()
{
    QFETCH(Format, format);
    QFETCH(QString, archive);
    QFETCH(QList<Entry>, entries);
    QFETCH(QString, name);
    QFETCH(Snapshot, installed);

    DropFixture fixture;
    const QString path = fixture.path("mods/" + archive);
    QVERIFY(TestArchive::write(path, format, entries));
    MainWindow window;
    QVERIFY(window.isReady());

    ModalAnswerer answerer;
    QStringList suggested;
    answerer.expect(acceptName(&suggested));
    answerer.expect(ModalAnswerer::pressButton());
    QVERIFY(drop(window, localUrls({path})));
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(suggested, QStringList{name});
    QCOMPARE(answerer.messages().last(), QStringLiteral("提示|安装成功!"));
    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(fixture.game(), installed);
    // A reinstall needs only the kept copy, never the archive.
    QCOMPARE(fixture.kept(name), installed);
    QVERIFY(window.modCfg().m_mods.contains(name));
    QCOMPARE(fixture.tmp(), Snapshot());
    // Unpacked straight into the kept copy: no other folder beside it.
    QCOMPARE(QDir(fixture.path("mod/Demo"))
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{name});
    // The busy indicator was used for the unpacking and is closed again.
    QVERIFY(window.progress().dialog());
    QVERIFY(!window.progress().dialog()->isVisible());
}

void TestDrop::severalArchivesShareOneTableOfNames_data()
{
    QTest::addColumn<QList<Entry>>("third");
    QTest::addColumn<QStringList>("states");
    QTest::addColumn<QString>("summary");
    const QList<Entry> honest{TestArchive::file("abdata/coat.unity3d", "coat")};
    QTest::newRow("three honest") << honest << QStringList{"可以安装", "可以安装", "可以安装"}
                                  << "提示|已安装 3 个MOD：hair、shoes、third。";
    // Refused from its headers: marked in the table, left out, the other two
    // installed and nothing else touched.
    QTest::newRow("third hostile")
        << QList<Entry>{honest.first(), TestArchive::file("../../escape.txt", "x")}
        << QStringList{"可以安装", "可以安装", "压缩包"}
        << "提示|已安装 2 个MOD：hair、shoes。\n未安装“third.zip”：压缩包";
}

void TestDrop::severalArchivesShareOneTableOfNames()
{
    QFETCH(QList<Entry>, third);
    QFETCH(QStringList, states);
    QFETCH(QString, summary);
    DropFixture fixture;
    QVERIFY(TestArchive::write(fixture.path("mods/hair.zip"), Format::Zip,
                               {TestArchive::file("Hair/abdata/hair.unity3d", "hair")}));
    QVERIFY(TestArchive::write(fixture.path("mods/shoes.7z"), Format::SevenZip,
                               {TestArchive::file("abdata/shoes.unity3d", "shoes"),
                                TestArchive::file("Plugins/shoes.dll", "dll")}));
    QVERIFY(TestArchive::write(fixture.path("mods/third.zip"), Format::Zip, third));
    MainWindow window;
    QVERIFY(window.isReady());
    const Snapshot sources = TestFiles::snapshot(fixture.path("mods"));

    ModalAnswerer answerer;
    QStringList names;
    QStringList shownStates;
    answerer.expect([&](QWidget *modal) {
        auto *table = modal->findChild<QTableWidget *>(QStringLiteral("nameTable"));
        QVERIFY(table);
        for (int row = 0; row < table->rowCount(); ++row) {
            names << table->item(row, 0)->text();
            shownStates << table->item(row, 2)->text();
        }
        modal->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    answerer.expect(ModalAnswerer::pressButton());
    QVERIFY(drop(window, localUrls({fixture.path("mods/hair.zip"), fixture.path("mods/shoes.7z"),
                                    fixture.path("mods/third.zip")})));
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(names, (QStringList{"hair", "shoes", "third"}));
    QCOMPARE(shownStates.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(shownStates.at(i).startsWith(states.at(i)), qPrintable(shownStates.at(i)));
    }
    QVERIFY(answerer.unexpected().isEmpty());
    QVERIFY2(answerer.messages().last().startsWith(summary),
             qPrintable(answerer.messages().last()));
    Snapshot installed{{"abdata", "<dir>"},
                       {"abdata/hair.unity3d", "hair"},
                       {"abdata/shoes.unity3d", "shoes"},
                       {"Plugins", "<dir>"},
                       {"Plugins/shoes.dll", "dll"}};
    QStringList mods{"hair", "shoes"};
    if (states.last() == "可以安装") {
        installed.insert("abdata/coat.unity3d", "coat");
        mods << "third";
    }
    QCOMPARE(fixture.game(), installed);
    QCOMPARE(window.modCfg().m_mods.keys(), mods);
    QCOMPARE(fixture.tmp(), Snapshot());
    QCOMPARE(TestFiles::snapshot(fixture.path("mods")), sources);
    QCOMPARE(QDir(fixture.path("mod/Demo")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             mods);
    QVERIFY(!QFile::exists(fixture.path("escape.txt")));
}

void TestDrop::refusedNamesAreMarkedBeforeAnythingIsCopied()
{
    DropFixture fixture;
    QVERIFY(TestFiles::write(fixture.path("mods/a/Coat/abdata/coat.unity3d"), "coat a"));
    QVERIFY(TestFiles::write(fixture.path("mods/b/Coat/abdata/coat.unity3d"), "coat b"));
    QVERIFY(TestFiles::write(fixture.path("mods/Demo/abdata/demo.unity3d"), "demo"));
    MainWindow window;
    QVERIFY(window.isReady());

    ModalAnswerer answerer;
    QStringList states;
    bool installEnabled = true;
    answerer.expect([&](QWidget *modal) {
        auto *table = modal->findChild<QTableWidget *>(QStringLiteral("nameTable"));
        QPushButton *install = modal->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        for (int row = 0; row < table->rowCount(); ++row) {
            states << table->item(row, 2)->text();
        }
        installEnabled = install->isEnabled();
        // Renaming the second coat and leaving the game-named one out frees
        // the button.
        table->item(1, 0)->setText("Coat b");
        table->item(2, 0)->setCheckState(Qt::Unchecked);
        QVERIFY(install->isEnabled());
        install->click();
    });
    answerer.expect(ModalAnswerer::pressButton());
    QVERIFY(drop(window, localUrls({fixture.path("mods/a/Coat"), fixture.path("mods/b/Coat"),
                                    fixture.path("mods/Demo")})));
    QVERIFY(answerer.waitUntilAnswered());

    QVERIFY(!installEnabled);
    QCOMPARE(states.value(0), QStringLiteral("可以安装"));
    QCOMPARE(states.value(1), QStringLiteral("与第 1 行的MOD名相同。"));
    QVERIFY2(states.value(2).startsWith("MOD名“Demo”与游戏名相同"), qPrintable(states.value(2)));
    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(answerer.messages().last(),
             QStringLiteral("提示|已安装 2 个MOD：Coat、Coat b。\n未安装“Demo”：未勾选"));
    QCOMPARE(window.modCfg().m_mods.keys(), (QStringList{"Coat", "Coat b"}));
    QCOMPARE(fixture.kept("Coat b").value("abdata/coat.unity3d"), QByteArray("coat b"));
}

void TestDrop::hostileArchiveInstallsNothing_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<QByteArray>("options");

    const Entry honest = TestArchive::file("abdata/honest.unity3d", "honest");
    QTest::newRow("zip dot-dot") << Format::Zip
                                 << QList<Entry>{honest, TestArchive::file("../../escape.txt", "x")}
                                 << QByteArray();
    QTest::newRow("7z absolute path")
        << Format::SevenZip
        << QList<Entry>{honest, TestArchive::file("/tmp/veldane-drop-escape.txt", "x")}
        << QByteArray();
    QTest::newRow("zip symlink") << Format::Zip
                                 << QList<Entry>{honest,
                                                 TestArchive::special(Entry::Symlink, "abdata/game",
                                                                      "../..")}
                                 << QByteArray();
    QTest::newRow("7z pipe") << Format::SevenZip
                             << QList<Entry>{honest, TestArchive::special(Entry::Fifo, "pipe")}
                             << QByteArray();
    QTest::newRow("zip encrypted")
        << Format::Zip << QList<Entry>{honest} << QByteArray("zip:encryption=zipcrypt");
}

void TestDrop::hostileArchiveInstallsNothing()
{
    QFETCH(Format, format);
    QFETCH(QList<Entry>, entries);
    QFETCH(QByteArray, options);

    DropFixture fixture;
    QVERIFY(TestFiles::write(fixture.path("game/abdata/honest.unity3d"), "original"));
    const QString path = fixture.path("mods/hostile.zip");
    QVERIFY(TestArchive::write(path, format, entries,
                               options.isEmpty() ? nullptr : options.constData()));
    MainWindow window;
    QVERIFY(window.isReady());
    const Snapshot before = TestFiles::snapshot(fixture.path("."));

    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton());
    QVERIFY(drop(window, localUrls({path})));
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(answerer.messages().size(), 1);
    QVERIFY2(answerer.messages().first().startsWith(
                 QStringLiteral("提示|压缩包“hostile.zip”未安装：\n压缩包")),
             qPrintable(answerer.messages().first()));
    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(TestFiles::snapshot(fixture.path(".")), before);
    QVERIFY(window.modCfg().m_mods.isEmpty());
    QVERIFY(!QFile::exists("/tmp/veldane-drop-escape.txt"));
}

void TestDrop::temporaryFolderGoesWhenTheInstallStops_data()
{
    QTest::addColumn<bool>("nameTaken");
    QTest::newRow("name dialog cancelled") << false;
    QTest::newRow("name already taken") << true;
}

void TestDrop::temporaryFolderGoesWhenTheInstallStops()
{
    QFETCH(bool, nameTaken);
    DropFixture fixture;
    QVERIFY(TestArchive::write(fixture.path("mods/first.zip"), Format::Zip,
                               {TestArchive::file("abdata/first.unity3d", "first")}));
    QVERIFY(TestArchive::write(fixture.path("mods/second.zip"), Format::Zip,
                               {TestArchive::file("abdata/second.unity3d", "second")}));
    MainWindow window;
    QVERIFY(window.isReady());
    ModalAnswerer answerer;
    QStringList suggested;
    if (nameTaken) {
        answerer.expect(acceptName(&suggested));
        answerer.expect(ModalAnswerer::pressButton());
        QVERIFY(drop(window, localUrls({fixture.path("mods/first.zip")})));
        QVERIFY(answerer.waitUntilAnswered());
        QVERIFY(QFile::rename(fixture.path("mods/second.zip"), fixture.path("mods/first.7z")));
    }
    const Snapshot game = fixture.game();

    if (nameTaken) {
        answerer.expect(acceptName(&suggested)); // "first" again
        answerer.expect(ModalAnswerer::pressButton());
    } else {
        answerer.expect(ModalAnswerer::reject());
    }
    QVERIFY(
        drop(window, localUrls({fixture.path(nameTaken ? "mods/first.7z" : "mods/second.zip")})));
    QVERIFY(answerer.waitUntilAnswered());

    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(fixture.game(), game);
    QCOMPARE(window.modCfg().m_mods.size(), nameTaken ? 1 : 0);
    QCOMPARE(fixture.tmp(), Snapshot());
}

void TestDrop::otherItemsGetAMessage()
{
    DropFixture fixture;
    QVERIFY(TestFiles::write(fixture.path("mods/notes.txt"), "not a mod"));
    QVERIFY(TestFiles::write(fixture.path("mods/Hat/abdata/hat.unity3d"), "hat"));
    MainWindow window;
    QVERIFY(window.isReady());

    ModalAnswerer answerer;
    QStringList suggested;
    answerer.expect(ModalAnswerer::pressButton());
    answerer.expect(acceptName(&suggested));
    answerer.expect(ModalAnswerer::pressButton());
    QVERIFY(drop(window, {QUrl::fromLocalFile(fixture.path("mods/notes.txt")),
                          QUrl("https://example.com/mod.zip"),
                          QUrl::fromLocalFile(fixture.path("mods/missing.zip")),
                          QUrl::fromLocalFile(fixture.path("mods/Hat"))}));
    QVERIFY(answerer.waitUntilAnswered());

    QVERIFY(answerer.unexpected().isEmpty());
    const QString notice = answerer.messages().first();
    QVERIFY2(notice.startsWith(QStringLiteral("提示|只能拖入MOD文件夹或 zip、7z、rar 压缩包")),
             qPrintable(notice));
    QVERIFY(notice.contains(TestFiles::native(fixture.path("mods/notes.txt"))));
    QVERIFY(notice.contains("https://example.com/mod.zip"));
    QVERIFY(notice.contains(TestFiles::native(fixture.path("mods/missing.zip"))));
    // The folder among them is still installed.
    QCOMPARE(suggested, QStringList{"Hat"});
    QCOMPARE(fixture.game(), (Snapshot{{"abdata", "<dir>"}, {"abdata/hat.unity3d", "hat"}}));
}

QTEST_MAIN(TestDrop)
#include "tst_drop.moc"
