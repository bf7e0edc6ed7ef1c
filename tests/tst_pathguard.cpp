#include "deploy/pathguard.h"
#include "platform/folderopener.h"
#include "platform/foldertree.h"
#include "platform/longpath.h"
#include "platform/nativefile.h"
#include "platform/pathrules.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

// One tree serves every case; "@" in a row stands for its folder, which is
// also the working directory:
//   g/Game/a.txt, g/Game/sub/b.txt, g/Game2/x, out/secret.txt, out/deep/
//   g/Game/linkOut  -> out            (folder link leading outside)
//   g/Game/linkDeep -> out/deep       (for ".." after a link)
//   g/Game/linkIn   -> g/Game/sub     (folder link to elsewhere inside)
//   g/Game/fileOut  -> out/secret.txt (file link leading outside)
//   g/Game/dangling -> nowhere        (link leading nowhere)
//   g/GameLink      -> g/Game         (the game folder through a link)
//   out/secret-again.txt = out/secret.txt (a second name of the same file)
class TestPathGuard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void contains_data();
    void contains();
    void rootIsResolved_data();
    void rootIsResolved();
    void entriesAreSeenWithoutFollowingLinks_data();
    void entriesAreSeenWithoutFollowingLinks();
    void heldFileIsSeenWhereItBlocksChanges();
    void folderTreeRemovesLinksNotTargets_data();
    void folderTreeRemovesLinksNotTargets();
    void longPathForm_data();
    void longPathForm();
    void explorerGetsOneArgument_data();
    void explorerGetsOneArgument();

private:
    QString expand(const QString &text) const;
    // Skips the row when one of the texts goes through a link of the tree
    // and this system made none.
    void skipWithoutLinks(const QStringList &texts) const;

    ScopedWorkingDir m_dir;
    QString m_base;
    bool m_links = false;
};

QString TestPathGuard::expand(const QString &text) const
{
    QString expanded = text;
    return expanded.replace(QLatin1Char('@'), m_base);
}

void TestPathGuard::skipWithoutLinks(const QStringList &texts) const
{
    if (m_links) {
        return;
    }
    for (const QString &text : texts) {
        for (const char *link :
             {"linkOut", "linkDeep", "linkIn", "fileOut", "dangling", "GameLink", ">"}) {
            if (text.contains(QLatin1String(link))) {
                QSKIP("no symbolic link can be made here");
            }
        }
    }
}

void TestPathGuard::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_base = m_dir.path();
    QVERIFY(TestFiles::write(expand("@/g/Game/a.txt"), "a"));
    QVERIFY(TestFiles::write(expand("@/g/Game/sub/b.txt"), "b"));
    QVERIFY(TestFiles::write(expand("@/g/Game2/x"), "x"));
    QVERIFY(TestFiles::write(expand("@/out/secret.txt"), "secret"));
    QVERIFY(QDir().mkpath(expand("@/out/deep")));
    m_links = TestFiles::makeLink(expand("@/out"), expand("@/g/Game/linkOut"));
#ifndef Q_OS_WIN
    QVERIFY(m_links);
#endif
    if (m_links) {
        QVERIFY(TestFiles::makeLink(expand("@/out/deep"), expand("@/g/Game/linkDeep")));
        QVERIFY(TestFiles::makeLink(expand("@/g/Game/sub"), expand("@/g/Game/linkIn")));
        QVERIFY(TestFiles::makeLink(expand("@/out/secret.txt"), expand("@/g/Game/fileOut")));
        QVERIFY(TestFiles::makeLink(expand("@/nowhere"), expand("@/g/Game/dangling")));
        QVERIFY(TestFiles::makeLink(expand("@/g/Game"), expand("@/g/GameLink")));
    }
    QVERIFY(NativeFile::addName(expand("@/out/secret.txt"), expand("@/out/secret-again.txt")));
}

void TestPathGuard::contains_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("inside");

    const QString game = QStringLiteral("@/g/Game");

    QTest::newRow("plain file") << game << "@/g/Game/a.txt" << true;
    QTest::newRow("nested file") << game << "@/g/Game/sub/b.txt" << true;
    QTest::newRow("folder") << game << "@/g/Game/sub" << true;
    QTest::newRow("folder with trailing separator") << game << "@/g/Game/sub/" << true;
    QTest::newRow("doubled separators") << game << "@/g/Game//sub//b.txt" << true;
    QTest::newRow("native separators") << game << TestFiles::native("@/g/Game/sub/b.txt") << true;
    QTest::newRow("missing file in existing folder") << game << "@/g/Game/sub/new.txt" << true;
    QTest::newRow("missing folder chain") << game << "@/g/Game/new/deeper/c.txt" << true;

    QTest::newRow("dot components") << game << "@/g/Game/./sub/./b.txt" << true;
    QTest::newRow("dot-dot staying inside") << game << "@/g/Game/sub/../a.txt" << true;
    QTest::newRow("dot-dot out and back in") << game << "@/g/Game/../Game/a.txt" << true;
    QTest::newRow("dot-dot leaving") << game << "@/g/Game/../../out/secret.txt" << false;
    QTest::newRow("dot-dot to sibling game") << game << "@/g/Game/../Game2/x" << false;
    QTest::newRow("a/../../x") << game << "@/g/Game/a/../../x" << false;
    QTest::newRow("dot-dot through missing folders")
        << game << "@/g/Game/new/../../Game2/x" << false;
    // "/../../tmp/…" on Linux, "C:/../../users/…" on Windows.
    const int root = PathRules::absoluteRootLength(m_base);
    QTest::newRow("dot-dot above the file-system root")
        << game << m_base.left(root) + "../../" + m_base.mid(root) + "/g/Game/a.txt" << true;

    QTest::newRow("absolute elsewhere") << game << "@/out/secret.txt" << false;
    QTest::newRow("prefix trap") << game << "@/g/Game2/x" << false;
    QTest::newRow("prefix trap with trailing root separator") << "@/g/Game/"
                                                              << "@/g/Game2/x" << false;
    QTest::newRow("root itself") << game << "@/g/Game" << false;
    QTest::newRow("root itself with separator") << game << "@/g/Game/" << false;
    QTest::newRow("root itself through dot") << game << "@/g/Game/." << false;
    QTest::newRow("root itself through dot-dot") << game << "@/g/Game/sub/.." << false;
    QTest::newRow("parent of root") << game << "@/g" << false;
    QTest::newRow("relative path") << game << "g/Game/a.txt" << false;
    QTest::newRow("relative path with dot") << game << "./g/Game/a.txt" << false;
    QTest::newRow("empty path") << game << "" << false;

    QTest::newRow("through link leading outside") << game << "@/g/Game/linkOut/secret.txt" << false;
    QTest::newRow("missing file behind link leading outside")
        << game << "@/g/Game/linkOut/new/c.txt" << false;
    QTest::newRow("dot-dot after link goes up from its target")
        << game << "@/g/Game/linkDeep/../secret.txt" << false;
    QTest::newRow("dot-dot after link is not cleaned as text")
        << game << "@/g/Game/linkDeep/../a.txt" << false;
    QTest::newRow("through link leading elsewhere inside")
        << game << "@/g/Game/linkIn/b.txt" << true;
    QTest::newRow("folder link itself") << game << "@/g/Game/linkOut" << true;
    QTest::newRow("file link itself") << game << "@/g/Game/fileOut" << true;
    QTest::newRow("through link leading nowhere") << game << "@/g/Game/dangling/x" << false;
    QTest::newRow("link leading nowhere itself") << game << "@/g/Game/dangling" << true;
    QTest::newRow("path through link to the root") << game << "@/g/GameLink/a.txt" << true;
    QTest::newRow("link to the root itself") << game << "@/g/GameLink" << false;

    QTest::newRow("root with trailing separator") << "@/g/Game/"
                                                  << "@/g/Game/a.txt" << true;
    QTest::newRow("root with native separators")
        << TestFiles::native("@/g/Game/") << "@/g/Game/sub/b.txt" << true;
    QTest::newRow("root through link") << "@/g/GameLink/"
                                       << "@/g/Game/a.txt" << true;
    QTest::newRow("root through link, path through link") << "@/g/GameLink"
                                                          << "@/g/GameLink/sub/b.txt" << true;
    QTest::newRow("root through link, link leading outside")
        << "@/g/GameLink"
        << "@/g/GameLink/linkOut/secret.txt" << false;
    QTest::newRow("root through link, prefix trap") << "@/g/GameLink"
                                                    << "@/g/Game2/x" << false;
    QTest::newRow("root with dot-dot") << "@/g/new/../Game"
                                       << "@/g/Game/a.txt" << true;
    QTest::newRow("relative root") << "g/Game"
                                   << "@/g/Game/a.txt" << true;
    QTest::newRow("missing root") << "@/g/Missing"
                                  << "@/g/Missing/abdata/x" << true;
    QTest::newRow("missing root, dot-dot out") << "@/g/Missing"
                                               << "@/g/Missing/../Game/a.txt" << false;
    QTest::newRow("empty root") << ""
                                << "@/g/Game/a.txt" << false;
    QTest::newRow("root through link leading nowhere") << "@/g/Game/dangling/x"
                                                       << "@/g/Game/dangling/x/y" << false;

    QTest::newRow("case differs") << game << "@/g/GAME/a.txt"
                                  << (PathRules::fileNameCase() == Qt::CaseInsensitive);
}

void TestPathGuard::contains()
{
    QFETCH(QString, root);
    QFETCH(QString, path);
    QFETCH(bool, inside);
    skipWithoutLinks({root, path});

    const PathGuard guard(expand(root));
    QCOMPARE(guard.contains(expand(path)), inside);
    QCOMPARE(PathGuard::isInside(expand(path), expand(root)), inside);
}

void TestPathGuard::rootIsResolved_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("resolved");

    QTest::newRow("trailing separator dropped") << "@/g/Game/"
                                                << "@/g/Game";
    QTest::newRow("link followed") << "@/g/GameLink/"
                                   << "@/g/Game";
    QTest::newRow("dot-dot after link") << "@/g/Game/linkDeep/.."
                                        << "@/out";
    QTest::newRow("relative") << "g/Game2"
                              << "@/g/Game2";
    QTest::newRow("missing part kept") << "@/g/Game/linkOut/new"
                                       << "@/out/new";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("through link leading nowhere") << "@/g/Game/dangling/x"
                                                  << "";
}

void TestPathGuard::rootIsResolved()
{
    QFETCH(QString, root);
    QFETCH(QString, resolved);
    skipWithoutLinks({root});

    // The temporary folder itself may lie behind a link (/tmp on some systems).
    const QString realBase = QFileInfo(m_base).canonicalFilePath();
    QCOMPARE(PathGuard(expand(root)).root(), resolved.replace(QLatin1Char('@'), realBase));
}

void TestPathGuard::entriesAreSeenWithoutFollowingLinks_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("link");
    QTest::addColumn<int>("names");
    QTest::addColumn<QString>("sameAs"); // followed through links
    QTest::addColumn<bool>("same");

    QTest::newRow("file") << "@/g/Game/a.txt" << true << false << 1 << "@/g/GameLink/a.txt" << true;
    QTest::newRow("file with a second name")
        << "@/out/secret.txt" << true << false << 2 << "@/out/secret-again.txt" << true;
    QTest::newRow("link to a file")
        << "@/g/Game/fileOut" << true << true << 1 << "@/out/secret.txt" << true;
    QTest::newRow("link to a folder") << "@/g/Game/linkOut" << true << true << 1 << "@/out" << true;
    QTest::newRow("link leading nowhere")
        << "@/g/Game/dangling" << true << true << 1 << "@/nowhere" << false;
    QTest::newRow("missing") << "@/g/Game/missing" << false << false << -1 << "@/g/Game/missing"
                             << false;
    QTest::newRow("other file") << "@/g/Game/a.txt" << true << false << 1 << "@/g/Game/sub/b.txt"
                                << false;
}

void TestPathGuard::entriesAreSeenWithoutFollowingLinks()
{
    QFETCH(QString, path);
    QFETCH(bool, exists);
    QFETCH(bool, link);
    QFETCH(int, names);
    QFETCH(QString, sameAs);
    QFETCH(bool, same);
    skipWithoutLinks({path, sameAs});

    const NativeFile::Entry entry = NativeFile::entry(expand(path));
    QCOMPARE(entry.exists, exists);
    QCOMPARE(entry.link, link);
    QVERIFY(!entry.readOnly);
    QCOMPARE(NativeFile::isLink(expand(path)), link);
    QCOMPARE(NativeFile::isLinkOrJunction(QFileInfo(expand(path))), link);
    QCOMPARE(NativeFile::linkCount(expand(path)), names);
    QCOMPARE(NativeFile::sameFile(expand(path), expand(sameAs)), same);
}

void TestPathGuard::heldFileIsSeenWhereItBlocksChanges()
{
    const QString file = expand("@/g/Game/a.txt");
    QVERIFY(!NativeFile::heldOpen(file));
    // Qt opens without sharing the delete, as a game does: on Windows the file
    // can then be neither renamed nor deleted; elsewhere it can.
    QFile held(file);
    QVERIFY(held.open(QIODevice::ReadOnly));
#ifdef Q_OS_WIN
    QVERIFY(NativeFile::heldOpen(file));
#else
    QVERIFY(!NativeFile::heldOpen(file));
#endif
    QVERIFY(!NativeFile::heldOpen(expand("@/g/Game/missing")));
}

void TestPathGuard::folderTreeRemovesLinksNotTargets_data()
{
    // What the tree holds: "name>target" is a link, the tree itself when the
    // name is empty; a name alone is a file; "-name" makes that folder, the
    // tree itself when the name is empty, read-only.
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("plain") << QStringList{"sub/b.txt"};
    QTest::newRow("link to a folder outside") << QStringList{"sub/out>@/out"};
    QTest::newRow("link to a file outside") << QStringList{"file>@/out/secret.txt"};
    QTest::newRow("link leading nowhere") << QStringList{"gone>@/nowhere"};
    QTest::newRow("the tree is a link") << QStringList{">@/out"};
    QTest::newRow("hidden and system names")
        << QStringList{".hidden", "sub/Thumbs.db", "sub/.git/config", "desktop.ini"};
    QTest::newRow("read-only folders") << QStringList{"sub/deep/c.txt", "a.txt", "-sub/deep", "-"};
}

void TestPathGuard::folderTreeRemovesLinksNotTargets()
{
    QFETCH(QStringList, entries);
    skipWithoutLinks(entries);

    const QString tree = expand("@/tree");
    QVERIFY(FolderTree::remove(tree));
    for (const QString &entry : qAsConst(entries)) {
        const QString name = entry.section(QLatin1Char('>'), 0, 0);
        const QString target = expand(entry.section(QLatin1Char('>'), 1));
        const QString path = name.isEmpty() ? tree : tree + '/' + name;
        if (name.startsWith('-')) {
            const QString folder = name.size() > 1 ? tree + '/' + name.mid(1) : tree;
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        } else if (target.isEmpty()) {
            QVERIFY(TestFiles::write(path, "x"));
        } else {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QVERIFY(TestFiles::makeLink(target, path));
        }
    }

    QVERIFY(FolderTree::remove(tree));
    QVERIFY(!NativeFile::entry(tree).exists);
    QCOMPARE(TestFiles::read(expand("@/out/secret.txt")), QByteArray("secret"));
    QVERIFY(QFileInfo(expand("@/out/deep")).isDir());
}

void TestPathGuard::longPathForm_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("drive") << "C:/Games/HS/abdata/a.unity3d"
                           << R"(\\?\C:\Games\HS\abdata\a.unity3d)";
    QTest::newRow("drive, native, lower case") << R"(d:\x\y)"
                                               << R"(\\?\d:\x\y)";
    QTest::newRow("drive root") << "C:/"
                                << R"(\\?\C:\)";
    QTest::newRow("dots resolved, trailing separator dropped") << "C:/a/./b/../c/"
                                                               << R"(\\?\C:\a\c)";
    QTest::newRow("UNC") << "//server/share/dir/f"
                         << R"(\\?\UNC\server\share\dir\f)";
    QTest::newRow("UNC, native") << R"(\\server\share\f)"
                                 << R"(\\?\UNC\server\share\f)";
    QTest::newRow("extended, kept literally") << R"(\\?\C:\a\..\b)"
                                              << R"(\\?\C:\a\..\b)";
    QTest::newRow("extended, forward") << "//?/C:/a"
                                       << R"(\\?\C:\a)";
    QTest::newRow("extended UNC") << R"(\\?\UNC\s\sh\f)"
                                  << R"(\\?\UNC\s\sh\f)";
    QTest::newRow("device") << R"(\\.\pipe\x)"
                            << R"(\\.\pipe\x)";
    QTest::newRow("relative") << "abdata/a"
                              << R"(abdata\a)";
    QTest::newRow("drive-relative") << "C:abdata"
                                    << "C:abdata";
    QTest::newRow("current drive's root") << "/abdata"
                                          << R"(\abdata)";
    QTest::newRow("empty") << ""
                           << "";
    const QString deep = QStringLiteral("/%1").arg(QString(60, QLatin1Char('x'))).repeated(5);
    QTest::newRow("300 characters")
        << "E:" + deep << R"(\\?\E:)" + QString(deep).replace('/', '\\');
}

void TestPathGuard::longPathForm()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(LongPath::toWin32(path), expected);
}

void TestPathGuard::explorerGetsOneArgument_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("argument");

    QTest::newRow("blanks") << "C:/Games/Honey Select"
                            << R"("C:\Games\Honey Select")";
    QTest::newRow("comma, trailing separator") << "D:/mods,old/"
                                               << R"("D:\mods,old")";
    QTest::newRow("native") << R"(D:\游戏\HS)"
                            << R"("D:\游戏\HS")";
    QTest::newRow("drive root") << "C:/"
                                << R"(C:\)";
    QTest::newRow("UNC") << "//nas/games/HS"
                         << R"("\\nas\games\HS")";
}

void TestPathGuard::explorerGetsOneArgument()
{
    QFETCH(QString, folder);
    QFETCH(QString, argument);
    QCOMPARE(FolderOpener::explorerArgument(folder), argument);
}

QTEST_GUILESS_MAIN(TestPathGuard)
#include "tst_pathguard.moc"
