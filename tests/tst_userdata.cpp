#include "gui/cardpreview.h"
#include "gui/thumbnailstore.h"
#include "support/scopedtesttrash.h"
#include "support/testsupport.h"
#include "userdata/cardlistcache.h"
#include "userdata/cardquery.h"
#include "userdata/cardscanner.h"
#include "userdata/cardtidy.h"
#include "userdata/duplicatefinder.h"
#include "userdata/pngcardlister.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

class TestUserData : public QObject
{
    Q_OBJECT

private slots:
    void listsOnlyLowerCasePngFilesInNameOrder();
    void listsNothingWithoutAFolder_data();
    void listsNothingWithoutAFolder();
    void fittedSizeKeepsAspectRatio_data();
    void fittedSizeKeepsAspectRatio();
    void loadReadsPictureAtFittedSize_data();
    void loadReadsPictureAtFittedSize();
    void loadOfUnreadableFileIsNull_data();
    void loadOfUnreadableFileIsNull();

    // The card library.
    void scanDescendsOnlyWhenAsked_data();
    void scanDescendsOnlyWhenAsked();
    void querySelectsAndSorts_data();
    void querySelectsAndSorts();
    void duplicatesAreGroupedByContent();
    void moveNeverReplacesAFile();
    void trashTakesOnlyTheChosenCards();
    void trashThatCannotBeUsedDeletesNothing();
    void keptListingComesBackOrNotAtAll();
    void thumbnailIsNeverMadeOnTheGuiThread();
    void thumbnailOfAChangedCardIsNotTakenFromTheCache();
};

static QStringList names(const QList<PngCard> &cards)
{
    QStringList result;
    for (const PngCard &card : cards) {
        result << card.fileName;
    }
    return result;
}

static bool writePicture(const QString &path, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image.save(path, "PNG");
}

void TestUserData::listsOnlyLowerCasePngFilesInNameOrder()
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    for (const char *name : {"c.PNG", "B.png", "e.png.bak", "d.jpg", "a.png", ".hidden.png"}) {
        QVERIFY(TestFiles::write(folder + '/' + name, "x"));
    }
    QVERIFY(QDir(folder).mkdir("f.png"));
    QVERIFY(TestFiles::write(folder + "/f.png/inner.png", "x"));
#ifndef Q_OS_WIN
    // On Windows QFile::link() writes a shortcut, an ordinary file.
    QVERIFY(QFile::link(folder + "/a.png", folder + "/g.png"));
#endif

    const QList<PngCard> cards = PngCardLister::list(folder);

    QCOMPARE(names(cards), QStringList({"a.png", "B.png"}));
    QCOMPARE(cards.at(0).absolutePath, QDir(folder).absoluteFilePath("a.png"));
    QCOMPARE(cards.at(1).absolutePath, QDir(folder).absoluteFilePath("B.png"));
}

void TestUserData::listsNothingWithoutAFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("empty path") << QString();
    QTest::newRow("missing folder") << QStringLiteral("does/not/exist");
}

void TestUserData::listsNothingWithoutAFolder()
{
    QFETCH(QString, folder);
    // The working directory holds a card that must not be picked up.
    ScopedWorkingDir work;
    QVERIFY(TestFiles::write(work.filePath("stray.png"), "x"));

    QVERIFY(PngCardLister::list(folder).isEmpty());
}

void TestUserData::fittedSizeKeepsAspectRatio_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("fitted");
    // The preview label is 561 x 481.
    QTest::newRow("wide, larger than the box") << QSize(1122, 200) << QSize(561, 100);
    QTest::newRow("small, grows to the width") << QSize(100, 50) << QSize(561, 280);
    QTest::newRow("tall, grows to the height") << QSize(100, 400) << QSize(120, 481);
    QTest::newRow("huge square") << QSize(4000, 4000) << QSize(481, 481);
    QTest::newRow("exactly the box") << QSize(561, 481) << QSize(561, 481);
    QTest::newRow("no picture") << QSize(0, 0) << QSize();
}

void TestUserData::fittedSizeKeepsAspectRatio()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, fitted);
    QCOMPARE(CardPreview::fittedSize(picture, QSize(561, 481)), fitted);
}

void TestUserData::loadReadsPictureAtFittedSize_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("wide") << QSize(1122, 200) << QStringLiteral("wide.png");
    QTest::newRow("small") << QSize(100, 50) << QStringLiteral("small.png");
    // The format comes from the content, not from the name.
    QTest::newRow("misnamed") << QSize(300, 900) << QStringLiteral("card.jpg");
}

void TestUserData::loadReadsPictureAtFittedSize()
{
    QFETCH(QSize, picture);
    QFETCH(QString, fileName);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    {
        QImage image(picture, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(image.save(&file, "PNG"));
    }
    const QSize box(561, 481);

    const QImage preview = CardPreview::load(path, box);

    QVERIFY(!preview.isNull());
    QCOMPARE(preview.size(), picture.scaled(box, Qt::KeepAspectRatio));
    QCOMPARE(preview.pixelColor(preview.width() / 2, preview.height() / 2), QColor(Qt::darkCyan));
}

void TestUserData::loadOfUnreadableFileIsNull_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QSize>("box");
    QTest::newRow("missing file") << QStringLiteral("gone.png") << QByteArray() << QSize(561, 481);
    QTest::newRow("not a picture")
        << QStringLiteral("text.png") << QByteArray("hello") << QSize(561, 481);
    QTest::newRow("empty box") << QStringLiteral("fine.png") << QByteArray("picture")
                               << QSize(0, 0);
}

void TestUserData::loadOfUnreadableFileIsNull()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QSize, box);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    if (content == "picture") {
        QVERIFY(writePicture(path, QSize(40, 40)));
    } else if (!content.isEmpty()) {
        QVERIFY(TestFiles::write(path, content));
    }

    QVERIFY(CardPreview::load(path, box).isNull());
}

namespace {

CardEntry card(const QString &name, qint64 size, qint64 modified)
{
    CardEntry entry;
    entry.fileName = name;
    entry.absolutePath = "/cards/" + name;
    entry.size = size;
    entry.modified = modified;
    return entry;
}

QStringList relativeNames(const QVector<CardEntry> &cards, const QString &root)
{
    QStringList result;
    for (const CardEntry &entry : cards) {
        result << QDir(root).relativeFilePath(entry.absolutePath);
    }
    return result;
}

// Runs `work` on a thread of its own and waits for it.
template<typename Work> void onWorker(Work work)
{
    std::unique_ptr<QThread> thread(QThread::create(work));
    thread->start();
    thread->wait();
}

} // namespace

void TestUserData::scanDescendsOnlyWhenAsked_data()
{
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one folder") << false << QStringList{"a.png"};
    QTest::newRow("subfolders") << true << QStringList{"a.png", "sub/b.png", "sub/deeper/c.png"};
}

void TestUserData::scanDescendsOnlyWhenAsked()
{
    QFETCH(bool, subfolders);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString root = dir.path();
    for (const char *name : {"a.png", "sub/b.png", "sub/B.PNG", "sub/deeper/c.png", "sub/.d.png",
                             ".hidden/e.png", "other/f.jpg"}) {
        QVERIFY(TestFiles::write(root + '/' + name, QByteArray(int(qstrlen(name)), 'x')));
    }
#ifndef Q_OS_WIN
    QVERIFY(QFile::link(root + "/sub", root + "/linked"));
#endif

    const CardScan scan = CardScanner::scan(root, subfolders);

    QCOMPARE(relativeNames(scan.cards, root), expected);
    QCOMPARE(scan.cards.at(0).size, qint64(5));
    QCOMPARE(scan.folders.size(), subfolders ? 4 : 1);
    QVERIFY(CardScanner::scan(root + "/gone", subfolders).cards.isEmpty());
}

void TestUserData::querySelectsAndSorts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("sort");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("by name, ignoring case")
        << QString() << int(CardSort::Name) << QStringList{"a.png", "B.png", "c.png", "d.png"};
    QTest::newRow("newest first, ties by name")
        << QString() << int(CardSort::Date) << QStringList{"c.png", "a.png", "d.png", "B.png"};
    QTest::newRow("largest first")
        << QString() << int(CardSort::Size) << QStringList{"d.png", "B.png", "a.png", "c.png"};
    QTest::newRow("found by part of the name")
        << " B " << int(CardSort::Name) << QStringList{"B.png"};
    QTest::newRow("nothing found") << "zz" << int(CardSort::Name) << QStringList();
}

void TestUserData::querySelectsAndSorts()
{
    QFETCH(QString, text);
    QFETCH(int, sort);
    QFETCH(QStringList, expected);
    const QVector<CardEntry> entries{card("c.png", 10, 300), card("a.png", 20, 200),
                                     card("d.png", 40, 200), card("B.png", 30, 100)};

    QStringList shown;
    for (int row : CardQuery::select(entries, text, static_cast<CardSort>(sort))) {
        shown << entries.at(row).fileName;
    }

    QCOMPARE(shown, expected);
}

void TestUserData::duplicatesAreGroupedByContent()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    const QMap<QString, QByteArray> files{{"a.png", "card one"}, {"sub/b.png", "card one"},
                                          {"c.png", "card two"}, {"d.png", "card one!"},
                                          {"e.png", "card two"}, {"f.png", "card six"}};
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QVERIFY(TestFiles::write(root + '/' + it.key(), it.value()));
    }
    const QVector<CardEntry> cards = CardScanner::scan(root, true).cards;

    QStringList groups;
    for (const QVector<int> &group : DuplicateFinder::groups(cards)) {
        QStringList names;
        for (int row : group) {
            names << QDir(root).relativeFilePath(cards.at(row).absolutePath);
        }
        groups << names.join(',');
    }

    // f.png has the size of the others but not their content.
    QCOMPARE(groups, QStringList({"a.png,sub/b.png", "c.png,e.png"}));
    QVERIFY(!DuplicateFinder::sameContent(root + "/a.png", root + "/f.png"));
}

void TestUserData::moveNeverReplacesAFile()
{
    QTemporaryDir dir;
    const QString from = dir.filePath("from");
    const QString to = dir.filePath("to");
    QVERIFY(TestFiles::write(from + "/a.png", "moved a"));
    QVERIFY(TestFiles::write(from + "/b.png", "moved b"));
    QVERIFY(TestFiles::write(to + "/a.png", "kept a"));
    QVERIFY(TestFiles::write(to + "/a (2).png", "kept a2"));

    const CardTidyReport report =
        CardTidy::moveTo({from + "/a.png", from + "/b.png", from + "/gone.png"}, to);

    QCOMPARE(report.done, QStringList({from + "/a.png", from + "/b.png"}));
    QCOMPARE(report.renamed, QStringList{to + "/a (3).png"});
    QCOMPARE(report.failed, QStringList{from + "/gone.png"});
    QCOMPARE(TestFiles::snapshot(to), (QMap<QString, QByteArray>{{"a.png", "kept a"},
                                                                 {"a (2).png", "kept a2"},
                                                                 {"a (3).png", "moved a"},
                                                                 {"b.png", "moved b"}}));
    QVERIFY(TestFiles::snapshot(from).isEmpty());
}

void TestUserData::trashTakesOnlyTheChosenCards()
{
#ifdef Q_OS_WIN
    QSKIP("looks into the freedesktop trash; Windows has the Recycle Bin, which Wine refuses "
          "(its IFileOperation::DeleteItem is a stub)");
#endif
    ScopedTestTrash trash;
    QTemporaryDir dir;
    const QString root = dir.path();
    for (const char *name : {"a.png", "b.png", "c.png", "sub/a.png"}) {
        QVERIFY(TestFiles::write(root + '/' + name, name));
    }

    const CardTidyReport report = CardTidy::moveToTrash({root + "/a.png", root + "/c.png"});

    QCOMPARE(report.done.size(), 2);
    QVERIFY(report.failed.isEmpty());
    QCOMPARE(TestFiles::snapshot(root),
             (QMap<QString, QByteArray>{
                 {"b.png", "b.png"}, {"sub", "<dir>"}, {"sub/a.png", "sub/a.png"}}));
    QCOMPARE(TestFiles::snapshot(trash.filesFolder()),
             (QMap<QString, QByteArray>{{"a.png", "a.png"}, {"c.png", "c.png"}}));
}

void TestUserData::trashThatCannotBeUsedDeletesNothing()
{
#ifdef Q_OS_WIN
    QSKIP("breaks the freedesktop trash, which Windows does not use");
#endif
    ScopedTestTrash trash;
    QVERIFY(trash.breakTrash());
    ScopedWorkingDir work;
    QTemporaryDir dir;
    const QString root = dir.path();
    QVERIFY(TestFiles::write(root + "/a.png", "a"));
    QVERIFY(TestFiles::write(root + "/b.png", "b"));
    const QMap<QString, QByteArray> before = TestFiles::snapshot(root);

    const CardTidyReport report = CardTidy::moveToTrash({root + "/a.png", root + "/b.png"});

    QVERIFY(report.trashUnavailable);
    QVERIFY(report.done.isEmpty());
    QCOMPARE(report.failed.size(), 2);
    QCOMPARE(TestFiles::snapshot(root), before);
    // Qt's fallback for a trash it cannot set up is the working directory.
    QVERIFY(TestFiles::snapshot(work.path()).isEmpty());
}

void TestUserData::keptListingComesBackOrNotAtAll()
{
    QTemporaryDir dir;
    CardScan scan;
    scan.cards = {card("a.png", 10, 300), card("卡片 b.png", 20, 200)};
    scan.folders = QStringList{"/cards", "/cards/sub"};
    const QString file = CardListCache::fileFor(dir.path(), "/cards", true);
    QVERIFY(file != CardListCache::fileFor(dir.path(), "/cards", false));
    QVERIFY(CardListCache::write(file, scan));

    CardScan back;
    QVERIFY(CardListCache::read(file, &back));
    QCOMPARE(back.cards, scan.cards);
    QCOMPARE(back.folders, scan.folders);

    // A damaged file gives nothing, not half a list.
    QByteArray content = TestFiles::read(file);
    QVERIFY(TestFiles::write(file, content.left(content.size() - 3)));
    CardScan damaged;
    damaged.folders = QStringList{"untouched"};
    QVERIFY(!CardListCache::read(file, &damaged));
    QCOMPARE(damaged.folders, QStringList{"untouched"});
    QVERIFY(!CardListCache::read(dir.filePath("missing.list"), &damaged));
}

void TestUserData::thumbnailIsNeverMadeOnTheGuiThread()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("card.png");
    QVERIFY(writePicture(path, QSize(252, 352)));
    const ThumbnailStore store(dir.filePath("cache"));
    const int refusedBefore = ThumbnailStore::guiThreadRefusals();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("GUI thread"));
    QCOMPARE(store.load(path).outcome, Thumbnail::Refused);
    QCOMPARE(ThumbnailStore::guiThreadRefusals(), refusedBefore + 1);

    Thumbnail made;
    onWorker([&] { made = store.load(path); });
    QCOMPARE(made.outcome, Thumbnail::Ready);
    QCOMPARE(made.image.size(), QSize(183, 256));
    QCOMPARE(ThumbnailStore::guiThreadRefusals(), refusedBefore + 1);
}

void TestUserData::thumbnailOfAChangedCardIsNotTakenFromTheCache()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("card.png");
    QVERIFY(writePicture(path, QSize(252, 352)));
    const ThumbnailStore store(dir.filePath("cache"));
    Thumbnail first;
    Thumbnail second;
    onWorker([&] {
        first = store.load(path);
        second = store.load(path);
    });
    QVERIFY(!first.fromCache);
    QVERIFY(second.fromCache);
    QVERIFY(QFileInfo::exists(store.entryPath(first.card)));

    // An entry that differs from the card shows whether the cache was used.
    QImage marked(10, 10, QImage::Format_RGB32);
    marked.fill(Qt::yellow);
    QVERIFY(marked.save(store.entryPath(first.card), "PNG"));
    Thumbnail cached;
    onWorker([&] { cached = store.load(path); });
    QCOMPARE(cached.image.pixelColor(5, 5), QColor(Qt::yellow));

    // Only the time changes: the old entry must not be shown for it.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                             QFileDevice::FileModificationTime));
    file.close();
    Thumbnail changed;
    onWorker([&] { changed = store.load(path); });
    QVERIFY(!changed.fromCache);
    QCOMPARE(changed.image.pixelColor(50, 50), QColor(Qt::darkCyan));

    QVERIFY(QFile::remove(path));
    Thumbnail gone;
    onWorker([&] { gone = store.load(path); });
    QCOMPARE(gone.outcome, Thumbnail::Missing);
}

QTEST_MAIN(TestUserData)
#include "tst_userdata.moc"
