#include "config/gameinfo.h"
#include "gui/setdialog.h"
#include "platform/pathcase.h"
#include "support/modalanswerer.h"
#include "support/scopedwineprefix.h"
#include "support/testsupport.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestSetDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formHasItsWidgets();
    void opensWithoutSettingsFile();
    void opensOnStoredSelection_data();
    void opensOnStoredSelection();
    void changingGameReplacesEditedPath();
    void browsingFillsBothFields();
    void addGame_data();
    void addGame();
    void addedGameStaysAfterCancel();
    void okWritesTheRegistryFolder();
    void okRefusesMissingValues_data();
    void okRefusesMissingValues();
    void deleteRemovesExactlyTheGamesOwnFiles_data();
    void deleteRemovesExactlyTheGamesOwnFiles();
    void deleteAnsweredNoChangesNothing();
    void deleteIsRefused_data();
    void deleteIsRefused();
    void deleteFailureKeepsTheGame();

private:
    QString registryFolder() const
    {
        return QDir::toNativeSeparators(m_prefix->path() + QStringLiteral("/drive_c/HS/"));
    }

    std::unique_ptr<ScopedWinePrefix> m_prefix;
    // Windows: whether init made HoneySelect's registry key, to remove again.
    bool m_madeRegistryKey = false;
};

// On Windows the game's own key in the registry names its folder. A test may
// make that key where the machine has none, and removes it afterwards; a
// machine with the game installed keeps its key, and the rows that read it
// skip.
#ifdef Q_OS_WIN
#define SKIP_WITHOUT_REGISTRY_KEY()                                                                \
    if (!m_madeRegistryKey) {                                                                      \
        QSKIP("this machine registers HoneySelect itself; a test leaves that key alone");          \
    }
static const char IllusionKey[] = "HKEY_CURRENT_USER\\Software\\illusion";
#else
#define SKIP_WITHOUT_REGISTRY_KEY()
#endif

template<class T> static T *child(QWidget &dialog, const char *name)
{
    T *found = dialog.findChild<T *>(QLatin1String(name));
    if (!found) {
        qFatal("no widget %s", name);
    }
    return found;
}

static QPushButton *button(QWidget &dialog, const char *name)
{
    return child<QPushButton>(dialog, name);
}

static QString text(QWidget &dialog, const char *lineEdit)
{
    return child<QLineEdit>(dialog, lineEdit)->text();
}

static QStringList comboEntries(QWidget &dialog)
{
    auto *combo = child<QComboBox>(dialog, "comboBoxGame");
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) {
        entries << combo->itemText(i);
    }
    return entries;
}

static QString current(QWidget &dialog)
{
    return child<QComboBox>(dialog, "comboBoxGame")->currentText();
}

static QString stored(const QString &key)
{
    return QSettings(GameInfo::settingsFile(), QSettings::IniFormat).value(key).toString();
}

// Answers the add-game dialog with a name and a folder.
static ModalAnswerer::Handler answerAddGame(const QString &name, const QString &path)
{
    return [name, path](QWidget *modal) {
        modal->findChild<QLineEdit *>(QStringLiteral("lineEditGame"))->setText(name);
        modal->findChild<QLineEdit *>(QStringLiteral("lineEditPath"))->setText(path);
        auto *ok = modal->findChild<QPushButton *>(QStringLiteral("buttonOk"));
        QMetaObject::invokeMethod(ok, &QPushButton::click, Qt::QueuedConnection);
    };
}

// A Wine prefix that registers HoneySelect's folder, so the registry fallback
// has an answer and the machine's own ~/.wine is never read.
void TestSetDialog::init()
{
    m_prefix.reset(new ScopedWinePrefix("WINE REGISTRY Version 2\n\n"
                                        "[Software\\\\illusion\\\\HoneySelect] 1700000000\n"
                                        "\"INSTALLDIR\"=\"C:\\\\HS\\\\\"\n"));
    QVERIFY(m_prefix->isValid());
    QVERIFY(QDir().mkpath(m_prefix->filePath(QStringLiteral("drive_c/HS"))));
#ifdef Q_OS_WIN
    QSettings key(QLatin1String(IllusionKey), QSettings::Registry64Format);
    if (!key.childGroups().contains(QStringLiteral("HoneySelect"), Qt::CaseInsensitive)) {
        key.setValue(QStringLiteral("HoneySelect/INSTALLDIR"), registryFolder());
        key.sync();
        m_madeRegistryKey = key.status() == QSettings::NoError;
    }
#endif
}

void TestSetDialog::cleanup()
{
#ifdef Q_OS_WIN
    if (m_madeRegistryKey) {
        QSettings key(QLatin1String(IllusionKey), QSettings::Registry64Format);
        key.remove(QStringLiteral("HoneySelect"));
        m_madeRegistryKey = false;
    }
#endif
    m_prefix.reset();
}

void TestSetDialog::formHasItsWidgets()
{
    ScopedWorkingDir dir;
    SetDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("设置"));
    QCOMPARE(dialog.size(), QSize(420, 261));
    struct Expected
    {
        const char *name;
        const char *parent;
        QRect geometry;
    };
    const QList<Expected> widgets = {
        {"buttonOk", "SetDialog", {80, 224, 71, 25}},
        {"buttonCancel", "SetDialog", {250, 224, 71, 25}},
        {"groupBox", "SetDialog", {10, 8, 401, 92}},
        {"label", "groupBox", {10, 24, 100, 23}},
        {"lineEditBakPath", "groupBox", {114, 25, 196, 21}},
        {"buttonView", "groupBox", {318, 24, 73, 23}},
        {"labelLanguage", "groupBox", {10, 56, 100, 23}},
        {"comboBoxLanguage", "groupBox", {114, 56, 100, 23}},
        {"labelLanguageNote", "groupBox", {222, 56, 169, 23}},
        {"groupBox_2", "SetDialog", {10, 106, 401, 108}},
        {"label_2", "groupBox_2", {10, 28, 100, 23}},
        {"comboBoxGame", "groupBox_2", {114, 28, 196, 23}},
        {"buttonAdd", "groupBox_2", {318, 14, 73, 23}},
        {"buttonDelete", "groupBox_2", {318, 42, 73, 23}},
        {"label_3", "groupBox_2", {10, 74, 100, 23}},
        {"lineEditGamePath", "groupBox_2", {114, 75, 196, 21}},
        {"buttonViewGP", "groupBox_2", {318, 74, 73, 23}},
    };
    for (const Expected &widget : widgets) {
        QWidget *found = dialog.findChild<QWidget *>(QLatin1String(widget.name));
        QVERIFY2(found, widget.name);
        QCOMPARE(found->parentWidget()->objectName(), QLatin1String(widget.parent));
        QCOMPARE(found->geometry(), widget.geometry);
    }
    QCOMPARE(child<QGroupBox>(dialog, "groupBox")->title(), QStringLiteral("全局"));
    QCOMPARE(child<QGroupBox>(dialog, "groupBox_2")->title(), QStringLiteral("游戏"));
    QCOMPARE(button(dialog, "buttonDelete")->text(), QStringLiteral("删除"));
}

void TestSetDialog::opensWithoutSettingsFile()
{
    ScopedWorkingDir dir;
    {
        SetDialog dialog;
        QCOMPARE(text(dialog, "lineEditBakPath"),
                 QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/data")));
        QCOMPARE(comboEntries(dialog), QStringList());
        QCOMPARE(text(dialog, "lineEditGamePath"), QString());
    }
    QVERIFY(!QFile::exists(dir.filePath("Veldane.ini")));
}

void TestSetDialog::opensOnStoredSelection_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("bakPath");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("gamePath"); // "<registry>" for the prefix's folder

    QTest::newRow("Select listed")
        << QByteArray("[Global]\nBakPath=D:\\\\bak\nSelect=PlayClub\n[HoneySelect]\nGamePath=/hs/\n"
                      "[PlayClub]\nGamePath=/pc/\n")
        << "D:\\bak"
        << "PlayClub"
        << "/pc/";
    // The field shows the current entry's folder, which OK stores under it.
    QTest::newRow("Select names a deleted game")
        << QByteArray("[Global]\nSelect=HoneySelect\n[PlayClub]\nGamePath=/pc/\n[Zeta]\n"
                      "GamePath=/z/\n")
        << ""
        << "PlayClub"
        << "/pc/";
    QTest::newRow("Select in another case")
        << QByteArray("[Global]\nSelect=zeta\n[PlayClub]\nGamePath=/pc/\n[Zeta]\nGamePath=/z/\n")
        << ""
        << "PlayClub"
        << "/pc/";
    QTest::newRow("listed game without GamePath")
        << QByteArray("[Global]\nSelect=HoneySelect\n[HoneySelect]\nGamePath=\n") << ""
        << "HoneySelect"
        << "<registry>";
}

void TestSetDialog::opensOnStoredSelection()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, bakPath);
    QFETCH(QString, current);
    QFETCH(QString, gamePath);
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(dir.filePath("Veldane.ini"), ini));
    if (bakPath.isEmpty()) {
        bakPath = QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/data"));
    }
    if (gamePath == QLatin1String("<registry>")) {
        SKIP_WITHOUT_REGISTRY_KEY();
        gamePath = registryFolder();
    }

    SetDialog dialog;
    QCOMPARE(text(dialog, "lineEditBakPath"), bakPath);
    QCOMPARE(::current(dialog), current);
    QCOMPARE(text(dialog, "lineEditGamePath"), gamePath);
    QCOMPARE(TestFiles::read(dir.filePath("Veldane.ini")), ini);
}

void TestSetDialog::changingGameReplacesEditedPath()
{
    SKIP_WITHOUT_REGISTRY_KEY();
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(dir.filePath("Veldane.ini"),
                             "[HoneySelect]\nGamePath=\n[PlayClub]\nGamePath=/pc/\n[Zeta]\n"
                             "GamePath=\n"));
    SetDialog dialog;
    auto *combo = child<QComboBox>(dialog, "comboBoxGame");
    child<QLineEdit>(dialog, "lineEditGamePath")->setText(QStringLiteral("/edited/"));
    combo->setCurrentText(QStringLiteral("PlayClub"));
    QCOMPARE(text(dialog, "lineEditGamePath"), QStringLiteral("/pc/"));
    combo->setCurrentText(QStringLiteral("HoneySelect"));
    QCOMPARE(text(dialog, "lineEditGamePath"), registryFolder());
    combo->setCurrentText(QStringLiteral("Zeta"));
    QCOMPARE(text(dialog, "lineEditGamePath"), QString());
}

void TestSetDialog::browsingFillsBothFields()
{
    ScopedWorkingDir dir;
    QTemporaryDir folder;
    SetDialog dialog;
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::chooseFile(folder.path()));
    answerer.expect(ModalAnswerer::chooseFile(folder.path()));
    button(dialog, "buttonView")->click();
    button(dialog, "buttonViewGP")->click();
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages(),
             (QStringList{QStringLiteral("选择文件夹"), QStringLiteral("选择文件夹")}));
    const QString native = QDir::toNativeSeparators(folder.path());
    QCOMPARE(text(dialog, "lineEditBakPath"), native);
    QCOMPARE(text(dialog, "lineEditGamePath"), native + QDir::separator());
}

void TestSetDialog::addGame_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("gamePathField");
    QTest::addColumn<QString>("storedPath"); // of the added name afterwards

    const QByteArray two = "[Global]\nSelect=PlayClub\n[HoneySelect]\nGamePath=/hs/\n"
                           "[PlayClub]\nGamePath=/pc/\n";
    QTest::newRow("duplicate") << two << "HoneySelect"
                               << QStringLiteral("提示|游戏配置已存在，无需添加！")
                               << QStringList{"HoneySelect", "PlayClub"} << "PlayClub"
                               << "/pc/"
                               << "/hs/";
    // On Windows such names share a settings group, a catalogue and folders;
    // elsewhere the name in other case has no folder of its own but the
    // registry's.
#ifdef Q_OS_WIN
    const QString sharedPath = QStringLiteral("/hs/");
#else
    const QString sharedPath = QStringLiteral("<registry>");
#endif
    QTest::newRow("differs only in case")
        << two << "honeyselect" << QStringLiteral("提示|游戏配置已存在，无需添加！")
        << QStringList{"HoneySelect", "PlayClub"} << "PlayClub"
        << "/pc/" << sharedPath;
    QTest::newRow("first game becomes current with its folder")
        << QByteArray() << QStringLiteral("恋爱 游戏") << QStringLiteral("提示|添加成功！")
        << QStringList{QStringLiteral("恋爱 游戏")} << QStringLiteral("恋爱 游戏") << "/new/"
        << "/new/";
}

void TestSetDialog::addGame()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(QStringList, entries);
    QFETCH(QString, current);
    QFETCH(QString, gamePathField);
    QFETCH(QString, storedPath);
    if (storedPath == QLatin1String("<registry>")) {
        SKIP_WITHOUT_REGISTRY_KEY();
        storedPath = registryFolder();
    }
    ScopedWorkingDir dir;
    if (!ini.isEmpty()) {
        QVERIFY(TestFiles::write(dir.filePath("Veldane.ini"), ini));
    }
    SetDialog dialog;
    ModalAnswerer answerer;
    answerer.expect(answerAddGame(name, QStringLiteral("/new/")));
    answerer.expect(ModalAnswerer::pressButton());
    button(dialog, "buttonAdd")->click();
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(answerer.messages(), (QStringList{QStringLiteral("添加游戏"), message}));
    QCOMPARE(comboEntries(dialog), entries);
    QCOMPARE(::current(dialog), current);
    QCOMPARE(text(dialog, "lineEditGamePath"), gamePathField);
    QCOMPARE(GameInfo::gamePath(name), storedPath);
}

void TestSetDialog::addedGameStaysAfterCancel()
{
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(dir.filePath("Veldane.ini"), "[HoneySelect]\nGamePath=/hs/\n"));
    SetDialog dialog;
    dialog.show();
    ModalAnswerer answerer;
    answerer.expect(answerAddGame(QStringLiteral("PlayClub"), QStringLiteral("/pc/")));
    answerer.expect(ModalAnswerer::pressButton());
    button(dialog, "buttonAdd")->click();
    QVERIFY(answerer.waitUntilAnswered());
    button(dialog, "buttonCancel")->click();

    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(GameInfo::gameList(), (QStringList{"HoneySelect", "PlayClub"}));
    QCOMPARE(GameInfo::gamePath(QStringLiteral("PlayClub")), QStringLiteral("/pc/"));
    QCOMPARE(stored(QStringLiteral("/Global/Select")), QString());
}

void TestSetDialog::okWritesTheRegistryFolder()
{
    SKIP_WITHOUT_REGISTRY_KEY();
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(dir.filePath("Veldane.ini"),
                             "[Global]\nSelect=HoneySelect\n[HoneySelect]\nGamePath=\n"
                             "[PlayClub]\nGamePath=/pc/\n"));
    SetDialog dialog;
    auto *language = child<QComboBox>(dialog, "comboBoxLanguage");
    QCOMPARE(language->currentText(), QStringLiteral("中文"));
    language->setCurrentText(QStringLiteral("English"));
    ModalAnswerer answerer;
    answerer.expect([](QWidget *modal) {
        QMetaObject::invokeMethod(modal->findChild<QPushButton *>(QStringLiteral("buttonOk")),
                                  &QPushButton::click, Qt::QueuedConnection);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.m_game, QStringLiteral("HoneySelect"));

    // Read back from a copy of the file, so nothing comes from this process's cache.
    const QByteArray written = TestFiles::read(dir.filePath("Veldane.ini"));
    ScopedWorkingDir copy;
    QVERIFY(TestFiles::write(copy.filePath("Veldane.ini"), written));
    QCOMPARE(stored(QStringLiteral("/HoneySelect/GamePath")), registryFolder());
    QCOMPARE(stored(QStringLiteral("/Global/Select")), QStringLiteral("HoneySelect"));
    QCOMPARE(stored(QStringLiteral("/Global/BakPath")),
             QDir::toNativeSeparators(dir.path() + QStringLiteral("/data")));
    QCOMPARE(stored(QStringLiteral("/PlayClub/GamePath")), QStringLiteral("/pc/"));
    QCOMPARE(stored(QStringLiteral("/Global/Language")), QStringLiteral("en"));
    SetDialog reopened;
    QCOMPARE(child<QComboBox>(reopened, "comboBoxLanguage")->currentText(),
             QStringLiteral("English"));
}

void TestSetDialog::okRefusesMissingValues_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("bakPath"); // "<keep>" leaves the field as opened
    QTest::addColumn<QString>("gamePath");
    QTest::addColumn<QString>("message");

    const QByteArray one = "[HoneySelect]\nGamePath=/hs/\n";
    QTest::newRow("empty backup path") << one << ""
                                       << "/hs/"
                                       << "提示|路径不能为空!";
    QTest::newRow("empty game path") << one << "<keep>"
                                     << ""
                                     << "提示|路径不能为空!";
    QTest::newRow("no game") << QByteArray() << "<keep>"
                             << "/typed/" << QStringLiteral("提示|请先添加游戏！");
    QTest::newRow("hand-written unsafe game")
        << QByteArray("[a:b]\nGamePath=/x/\n") << "<keep>"
        << "/x/" << QStringLiteral("提示|游戏名“a:b”不能用作文件夹名，请在Veldane.ini中改正！");
}

void TestSetDialog::okRefusesMissingValues()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, bakPath);
    QFETCH(QString, gamePath);
    QFETCH(QString, message);
    ScopedWorkingDir dir;
    if (!ini.isEmpty()) {
        QVERIFY(TestFiles::write(dir.filePath("Veldane.ini"), ini));
    }
    SetDialog dialog;
    dialog.show();
    if (bakPath != QLatin1String("<keep>")) {
        child<QLineEdit>(dialog, "lineEditBakPath")->setText(bakPath);
    }
    child<QLineEdit>(dialog, "lineEditGamePath")->setText(gamePath);
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton());
    button(dialog, "buttonOk")->click();

    QCOMPARE(answerer.messages(), QStringList{message});
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.m_game.isEmpty());
    QCOMPARE(TestFiles::read(dir.filePath("Veldane.ini")), ini);
}

// Two games whose names share a prefix, each with a backup tree, kept copies
// and a catalogue, plus the game folder with installed files.
static void writeTwoGames(const ScopedWorkingDir &dir, const QString &select)
{
    const QString bak = QDir::toNativeSeparators(dir.filePath("bak"));
    QSettings settings(GameInfo::settingsFile(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("/Global/BakPath"), bak);
    settings.setValue(QStringLiteral("/Global/Select"), select);
    settings.setValue(QStringLiteral("/Honey/GamePath"), dir.filePath("games/Honey/"));
    settings.setValue(QStringLiteral("/HoneySelect/GamePath"), dir.filePath("games/HS/"));
    settings.sync();
    for (const char *game : {"Honey", "HoneySelect"}) {
        const QString name = QLatin1String(game);
        TestFiles::write(dir.filePath("bak/" + name + "/coat/abdata/a.unity3d"), "backup");
        TestFiles::write(dir.filePath("mod/" + name + "/coat/abdata/a.unity3d"), "kept");
        TestFiles::write(dir.filePath("config/" + name + ".xml"), "<catalogue/>");
    }
    TestFiles::write(dir.filePath("bak/Honey.txt"), "sibling file");
    TestFiles::write(dir.filePath("config/Honey.xml.old"), "sibling file");
    TestFiles::write(dir.filePath("games/Honey/abdata/a.unity3d"), "installed");
    TestFiles::write(dir.filePath("games/HS/abdata/a.unity3d"), "installed");
}

static QMap<QString, QByteArray> filesWithoutSettings(const ScopedWorkingDir &dir)
{
    QMap<QString, QByteArray> files = TestFiles::snapshot(dir.path());
    files.remove(QStringLiteral("Veldane.ini"));
    return files;
}

void TestSetDialog::deleteRemovesExactlyTheGamesOwnFiles_data()
{
    QTest::addColumn<bool>("setAside");
    QTest::addColumn<bool>("links");
    QTest::newRow("backups only") << false << false;
    // Versions of game files that uninstalls set aside are the user's.
    QTest::newRow("set-aside files stay") << true << false;
    // Links (junctions on Windows) go as links; what they lead to stays.
    QTest::newRow("links and hidden files") << true << true;
    QTest::newRow("links, no set-aside") << false << true;
}

void TestSetDialog::deleteRemovesExactlyTheGamesOwnFiles()
{
    QFETCH(bool, setAside);
    QFETCH(bool, links);
    ScopedWorkingDir dir;
    writeTwoGames(dir, QStringLiteral("Honey"));
    if (links) {
        QVERIFY(QDir().mkpath(dir.filePath("bak/Honey/M")) &&
                QDir().mkpath(dir.filePath("mod/Honey")));
        QVERIFY(QFile::link(dir.filePath("games/HS"), dir.filePath("bak/Honey/M/abdata")));
        QVERIFY(QFile::link(dir.filePath("games/HS"), dir.filePath("bak/Honey/HS")));
        QVERIFY(
            QFile::link(dir.filePath("games/HS/abdata/a.unity3d"), dir.filePath("mod/Honey/a")));
        QVERIFY(TestFiles::write(dir.filePath("mod/Honey/M/.hidden"), "dotfile"));
        QVERIFY(TestFiles::write(dir.filePath("bak/Honey/M/Thumbs.db"), "thumbs"));
    }
    const QString keptFolder = QStringLiteral("bak/Honey/Veldane留存");
    if (setAside) {
        TestFiles::write(dir.filePath(keptFolder + "/M/2026-01-02 03-04-05/abdata/a"), "edited");
    }
    QMap<QString, QByteArray> expected = filesWithoutSettings(dir);
    for (auto it = expected.begin(); it != expected.end();) {
        const QString &path = it.key();
        // The backup tree itself stays as long as it holds the set-aside folder.
        const bool kept = setAside && (path == "bak/Honey" || path.startsWith(keptFolder));
        const bool own =
            path == QLatin1String("bak/Honey") || path.startsWith(QLatin1String("bak/Honey/")) ||
            path == QLatin1String("mod/Honey") || path.startsWith(QLatin1String("mod/Honey/")) ||
            path == QLatin1String("config/Honey.xml");
        it = own && !kept ? expected.erase(it) : it + 1;
    }

    SetDialog dialog;
    QCOMPARE(current(dialog), QStringLiteral("Honey"));
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton(QMessageBox::Yes));
    answerer.expect(ModalAnswerer::pressButton());
    button(dialog, "buttonDelete")->click();
    QVERIFY(answerer.waitUntilAnswered());

    const QString done = setAside
                             ? QStringLiteral("提示|游戏成功移除!\n卸载时留存的文件未删除：\n") +
                                   QDir::toNativeSeparators(dir.filePath(keptFolder))
                             : QStringLiteral("提示|游戏成功移除!");
    QCOMPARE(answerer.messages(),
             (QStringList{QStringLiteral("注意|游戏管理相关文件将被完全删除，是否继续？"), done}));
    QCOMPARE(filesWithoutSettings(dir), expected);
    QCOMPARE(GameInfo::gameList(), QStringList{"HoneySelect"});
    QCOMPARE(stored(QStringLiteral("/Global/Select")), QStringLiteral("Honey"));
    QCOMPARE(comboEntries(dialog), QStringList{"HoneySelect"});
    QCOMPARE(text(dialog, "lineEditGamePath"), dir.filePath("games/HS/"));
}

void TestSetDialog::deleteAnsweredNoChangesNothing()
{
    ScopedWorkingDir dir;
    writeTwoGames(dir, QStringLiteral("Honey"));
    QVERIFY(TestFiles::write(dir.filePath("config/Honey.xml"),
                             "<Honey><mod id=\"a\"><install>1</install></mod>"
                             "<mod id=\"b\"><install>0</install></mod>"
                             "<mod id=\"c\"><install>1</install></mod></Honey>"));
    const QMap<QString, QByteArray> before = TestFiles::snapshot(dir.path());
    SetDialog dialog;
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton(QMessageBox::No));
    button(dialog, "buttonDelete")->click();
    QVERIFY(answerer.waitUntilAnswered());
    QCOMPARE(answerer.messages().size(), 1);
    QVERIFY2(answerer.messages().first().contains(QStringLiteral("仍有 2 个MOD处于安装状态")),
             qPrintable(answerer.messages().first()));
    QCOMPARE(TestFiles::snapshot(dir.path()), before);
    QCOMPARE(comboEntries(dialog), (QStringList{"Honey", "HoneySelect"}));
}

void TestSetDialog::deleteIsRefused_data()
{
    QTest::addColumn<QByteArray>("ini");
    // "<cwd>" stands for the working directory, "<prefix>" for the Wine prefix.
    QTest::addColumn<QString>("bakPath");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("home");
    // Whether names differing only in case name one file, as on Windows.
    QTest::addColumn<bool>("ignoreCase");

    QTest::newRow("empty backup path") << QByteArray("[HoneySelect]\nGamePath=/hs/\n") << ""
                                       << "提示|备份路径不能为空!"
                                       << "" << false;
    QTest::newRow("no game") << QByteArray() << "bak" << QStringLiteral("提示|没有可删除的游戏！")
                             << "" << false;
    QTest::newRow("hand-written unsafe name")
        << QByteArray("[..]\nGamePath=/x/\n") << "bak/inner"
        << QStringLiteral("提示|游戏名“..”不能用作文件夹名，未删除任何文件！") << "" << false;
    QTest::newRow("backup tree holding the kept copies")
        << QByteArray("[mod]\nGamePath=/x/\n") << "<cwd>"
        << QStringLiteral("提示|备份路径下的“mod”包含本程序自己的文件夹，未删除任何文件！") << ""
        << false;
    // The backup root is the folder that holds the games, and the game is named
    // after its folder: its installation would go.
    const QString held = QStringLiteral("提示|删除“%1”会一并删除游戏安装目录或用户文件夹“%2”，"
                                        "未删除任何文件！请换一个备份路径。");
    QTest::newRow("backup tree is the game's install folder")
        << QByteArray("[HoneySelect]\nGamePath=<cwd>/games/HoneySelect/\n") << "<cwd>/games"
        << held.arg("HoneySelect", "<cwd>/games/HoneySelect/") << "" << false;
    QTest::newRow("through a link and ..")
        << QByteArray("[PlayClub]\nGamePath=/x/\n[HoneySelect]\n"
                      "GamePath=<cwd>/bak/../games/HoneySelect/Studio\n")
        << "<cwd>/shortcut" << held.arg("HoneySelect", "<cwd>/bak/../games/HoneySelect/Studio")
        << "" << false;
    QTest::newRow("another game's registered folder")
        << QByteArray("[HS]\nGamePath=/x/\n[HoneySelect]\nGamePath=\n") << "<prefix>/drive_c"
        << held.arg("HS", "<prefix>/drive_c/HS/") << "" << false;
    QTest::newRow("home folder") << QByteArray("[me]\nGamePath=/x/\n") << "<cwd>/games"
                                 << held.arg("me", "<cwd>/games/me") << "<cwd>/games/me" << false;
    // Allowed, and so asked about (and answered no): a folder whose name only
    // begins with the game's, and one in another case where case counts.
    const QString asked = QStringLiteral("注意|游戏管理相关文件将被完全删除，是否继续？");
    QTest::newRow("longer name beside it: asked")
        << QByteArray("[hs]\nGamePath=<cwd>/games/hs2/\n") << "<cwd>/games" << asked << "" << false;
    const QByteArray otherCase("[HS]\nGamePath=<cwd>/games/hs/\n");
    QTest::newRow("other case where case counts: asked")
        << otherCase << "<cwd>/games" << asked << "" << false;
    QTest::newRow("other case where it does not")
        << otherCase << "<cwd>/games" << held.arg("HS", "<cwd>/games/hs/") << "" << true;
}

void TestSetDialog::deleteIsRefused()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, bakPath);
    QFETCH(QString, message);
    QFETCH(QString, home);
    QFETCH(bool, ignoreCase);
#ifdef Q_OS_WIN
    const QByteArray row = QTest::currentDataTag();
    if (row == "through a link and ..") {
        QSKIP("QFile::link makes a shortcut file (.lnk) on Windows, which no path goes through");
    }
    if (row == "home folder") {
        QSKIP("Windows takes the home folder from the user's profile, not from HOME");
    }
    if (!ignoreCase && row.startsWith("other case")) {
        QSKIP("Windows folders ignore case");
    }
#endif
    ScopedWorkingDir dir;
    const auto place = [&](QString text) {
        return text.replace("<cwd>", dir.path()).replace("<prefix>", m_prefix->path());
    };
    if (!ini.isEmpty()) {
        QVERIFY(TestFiles::write(dir.filePath("Veldane.ini"), place(ini).toUtf8()));
    }
    const QByteArray oldHome = qgetenv("HOME");
    if (!home.isEmpty()) {
        qputenv("HOME", place(home).toUtf8());
    }
    TestFiles::write(dir.filePath("games/HoneySelect/UserData/chara/card.png"), "card");
    TestFiles::write(dir.filePath("games/me/notes.txt"), "mine");
    TestFiles::write(dir.filePath("games/hs/notes.txt"), "mine");
    TestFiles::write(dir.filePath("games/hs2/notes.txt"), "mine");
    QVERIFY(QFile::link(dir.filePath("games"), dir.filePath("shortcut")));
    TestFiles::write(dir.filePath("bak/inner/keep.txt"), "backup");
    TestFiles::write(dir.filePath("bak/HoneySelect/keep.txt"), "backup");
    TestFiles::write(dir.filePath("mod/HoneySelect/coat/a.txt"), "kept");
    TestFiles::write(dir.filePath("config/HoneySelect.xml"), "<catalogue/>");
    const QMap<QString, QByteArray> before = TestFiles::snapshot(dir.path());

    SetDialog dialog;
    child<QLineEdit>(dialog, "lineEditBakPath")->setText(place(bakPath));
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton());
    PathCase::setForced(ignoreCase);
    button(dialog, "buttonDelete")->click();
    const bool answered = answerer.waitUntilAnswered();
    PathCase::setForced(false);
    qputenv("HOME", oldHome);
    QVERIFY(answered);

    // The messages name folders with the system's separators.
    QCOMPARE(answerer.messages(), QStringList{QDir::toNativeSeparators(place(message))});
    QCOMPARE(TestFiles::snapshot(dir.path()), before);
}

void TestSetDialog::deleteFailureKeepsTheGame()
{
    ScopedWorkingDir dir;
    writeTwoGames(dir, QStringLiteral("Honey"));
    // A folder where the catalogue file should be cannot be removed as a file.
    QVERIFY(QFile::remove(dir.filePath("config/Honey.xml")));
    QVERIFY(TestFiles::write(dir.filePath("config/Honey.xml/inside.txt"), "x"));

    SetDialog dialog;
    ModalAnswerer answerer;
    answerer.expect(ModalAnswerer::pressButton(QMessageBox::Yes));
    answerer.expect(ModalAnswerer::pressButton());
    button(dialog, "buttonDelete")->click();
    QVERIFY(answerer.waitUntilAnswered());

    QCOMPARE(answerer.messages().value(1),
             QStringLiteral("提示|以下文件未能删除，游戏配置已保留，请检查后重试：\n") +
                 QDir::toNativeSeparators(QStringLiteral("./config/Honey.xml")));
    QCOMPARE(comboEntries(dialog), (QStringList{"Honey", "HoneySelect"}));
    QCOMPARE(GameInfo::gameList(), (QStringList{"Honey", "HoneySelect"}));
    QVERIFY(QFile::exists(dir.filePath("config/Honey.xml/inside.txt")));
    QVERIFY(QFile::exists(dir.filePath("mod/HoneySelect/coat/abdata/a.unity3d")));
}

QTEST_MAIN(TestSetDialog)
#include "tst_setdialog.moc"
