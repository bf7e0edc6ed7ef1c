#include "deploy/filecopier.h"
#include "platform/nativefile.h"
#include "support/testsupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStorageInfo>
#include <QtTest>

#include <xxhash.h>

// The copier's own promises, on every route its bytes may take: the kernel's
// copy, a buffer across file systems, a hash on the way, a large file freed
// in pieces.
class TestFileCopier : public QObject
{
    Q_OBJECT

private slots:
    void copierKeepsItsPromises_data();
    void copierKeepsItsPromises();
    void moveReplacesWholeOrNotAtAll_data();
    void moveReplacesWholeOrNotAtAll();
    void largeFilesAreFreedInPiecesOnlyWhenUnshared_data();
    void largeFilesAreFreedInPiecesOnlyWhenUnshared();
};

void TestFileCopier::copierKeepsItsPromises_data()
{
    QTest::addColumn<bool>("acrossFileSystems");
    QTest::addColumn<bool>("hashed");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<int>("size");
    // Linux's kernel copies within one file system; from tmpfs to the disk it
    // refuses, and so does it when a hash is asked: both go through a buffer.
    // Windows copies either way, to another drive too.
    const QList<QPair<const char *, bool>> routes{{"kernel", false}, {"across file systems", true}};
    for (const auto &route : routes) {
        for (const bool hashed : {false, true}) {
            for (const char *destination :
                 {"new", "larger file", "read-only file", "link", "same file", "/dev/full"}) {
                QTest::newRow(
                    qPrintable(QStringLiteral("%1%2, %3")
                                   .arg(route.first, hashed ? " hashed" : "", destination)))
                    << route.second << hashed << QString::fromLatin1(destination)
                    << 300 * 1024 + 17;
            }
        }
    }
    // A large file is hashed on a second thread while the system copies it.
    for (const char *destination : {"new", "read-only file", "same file"}) {
        QTest::newRow(qPrintable(QStringLiteral("kernel hashed large, %1").arg(destination)))
            << false << true << QString::fromLatin1(destination) << 9 * 1024 * 1024 + 5;
    }
}

void TestFileCopier::copierKeepsItsPromises()
{
    QFETCH(bool, acrossFileSystems);
    QFETCH(bool, hashed);
    QFETCH(QString, destination);
    QFETCH(int, size);
    QTemporaryDir dir;
    const QString volume = TestFiles::otherVolume();
    if (acrossFileSystems && volume.isEmpty()) {
        QSKIP("no other file system (Linux: /dev/shm; Windows: VELDANE_TEST_OTHER_DRIVE)");
    }
    QTemporaryDir other(acrossFileSystems ? volume + "/veldane-XXXXXX"
                                          : dir.filePath("src-XXXXXX"));
    QVERIFY(other.isValid());
    QByteArray content(size, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (char &byte : content) {
        byte = char(random.bounded(256));
    }
    const QString source = other.filePath("source.bin");
    QVERIFY(TestFiles::write(source, content));
#ifdef Q_OS_WIN
    // Windows keeps one of them, as the read-only attribute.
    const auto permissions = QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup;
#else
    const auto permissions =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup;
#endif
    QVERIFY(QFile::setPermissions(source, permissions));
    QVERIFY(QFile::permissions(source) & QFile::ReadOwner);

    QString target = dir.filePath("target.bin");
    const QString linked = dir.filePath("linked.bin");
    if (destination == "larger file") {
        QVERIFY(TestFiles::write(target, QByteArray(content.size() * 2, 'x')));
    } else if (destination == "read-only file") {
        QVERIFY(TestFiles::write(target, "a read-only copy of ours"));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadUser));
    } else if (destination == "link") {
        QVERIFY(TestFiles::write(linked, "not to be written through"));
        if (TestFiles::underWine()) {
            QSKIP("Wine 8 shows a link to a file as the file itself, so the copy goes through it");
        }
        if (!TestFiles::makeLink(linked, target)) {
            QSKIP("no symbolic link can be made here");
        }
    } else if (destination == "same file") {
        target = source;
    } else if (destination.startsWith('/')) {
        if (!QFileInfo::exists(destination)) {
            QSKIP("no /dev/full");
        }
        target = destination;
    }

    FileCopier::CopyOptions options;
    QList<qint64> done;
    QThread *const caller = QThread::currentThread();
    bool callersThread = true;
    options.progress = [&](qint64 bytes, qint64 total) {
        QCOMPARE(total, qint64(content.size()));
        callersThread = callersThread && QThread::currentThread() == caller;
        done << bytes;
    };
    options.step = 64 * 1024;
    quint64 hash = 0;
    options.hash = hashed ? &hash : nullptr;
    const bool copied = FileCopier::copy(source, target, options);

    if (target == "/dev/full") {
        QVERIFY(!copied);
        return;
    }
    QVERIFY(copied);
    QCOMPARE(TestFiles::read(target), content);
    QVERIFY(!QFileInfo(target).isSymLink());
    QCOMPARE(QFile::permissions(target), QFile::permissions(source));
    QCOMPARE(TestFiles::read(source), content);
    if (destination == "link") {
        QCOMPARE(TestFiles::read(linked), QByteArray("not to be written through"));
    }
    if (hashed) {
        QCOMPARE(hash, quint64(XXH3_64bits(content.constData(), size_t(content.size()))));
    }
    // A clone (XFS with reflink, Btrfs) is one call with nothing to report;
    // Wine's CopyFileExW never calls its progress routine.
    const QByteArray fileSystem = QStorageInfo(target).fileSystemType();
    const bool mayClone = fileSystem == "xfs" || fileSystem == "btrfs";
    const bool silentCopy = TestFiles::underWine();
    // A window's bar is moved from its own thread only.
    QVERIFY(callersThread);
    if (destination != "same file" && !(mayClone && done.isEmpty()) && !silentCopy) {
        QVERIFY(done.size() >= 4);
        QVERIFY(std::is_sorted(done.cbegin(), done.cend()));
        QVERIFY(done.last() < content.size());
    }
}

void TestFileCopier::moveReplacesWholeOrNotAtAll_data()
{
    QTest::addColumn<bool>("acrossFileSystems");
    QTest::addColumn<QString>("destination");
    for (const bool across : {false, true}) {
        for (const char *destination : {"none", "read-only file", "folder"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(
                across ? "across file systems" : "one file system", destination)))
                << across << QString::fromLatin1(destination);
        }
    }
}

void TestFileCopier::moveReplacesWholeOrNotAtAll()
{
    QFETCH(bool, acrossFileSystems);
    QFETCH(QString, destination);
    QTemporaryDir dir;
    const QString volume = TestFiles::otherVolume();
    if (acrossFileSystems && volume.isEmpty()) {
        QSKIP("no other file system (Linux: /dev/shm; Windows: VELDANE_TEST_OTHER_DRIVE)");
    }
    QTemporaryDir other(acrossFileSystems ? volume + "/veldane-XXXXXX" : dir.filePath("o-XXXXXX"));
    QVERIFY(other.isValid());
    const auto readOnly = QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup;
    const QString source = (acrossFileSystems ? other.path() : dir.path()) + "/backup.bin";
    QVERIFY(TestFiles::write(source, "the original"));
    QVERIFY(QFile::setPermissions(source, readOnly));
    // The "user" flags say what this process may do: all, as root.
    const QFile::Permissions mode = QFile::permissions(source);
    const QString target = dir.filePath("game.bin");
    if (destination == "read-only file") {
        QVERIFY(TestFiles::write(target, "a read-only copy of ours"));
        QVERIFY(QFile::setPermissions(target, readOnly));
    } else if (destination == "folder") {
        QVERIFY(TestFiles::write(target + "/inside", "inside"));
    }
    const QMap<QString, QByteArray> before = TestFiles::snapshot(dir.path());

    const bool moved = FileCopier::move(source, target, FileCopier::CopyOptions());
    if (destination == "folder") {
        // Refused: both stay as they were, and nothing is left beside.
        QVERIFY(!moved);
        QCOMPARE(TestFiles::read(source), QByteArray("the original"));
        QCOMPARE(TestFiles::snapshot(dir.path()), before);
        return;
    }
    QVERIFY(moved);
    QVERIFY(!QFileInfo::exists(source));
    QCOMPARE(TestFiles::read(target), QByteArray("the original"));
    QCOMPARE(QFile::permissions(target), mode);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"game.bin"});
}

void TestFileCopier::largeFilesAreFreedInPiecesOnlyWhenUnshared_data()
{
    QTest::addColumn<bool>("moveOver");
    QTest::addColumn<bool>("secondName");
    QTest::newRow("delete") << false << false;
    QTest::newRow("delete, second name") << false << true;
    QTest::newRow("move over") << true << false;
    QTest::newRow("move over, second name") << true << true;
}

void TestFileCopier::largeFilesAreFreedInPiecesOnlyWhenUnshared()
{
    QFETCH(bool, moveOver);
    QFETCH(bool, secondName);
    QTemporaryDir dir;
    const QString large = dir.filePath("large.bin");
    const qint64 size = qint64(80) << 20;
    {
        QFile file(large);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size) && file.seek(size - 1) &&
                file.putChar('L'));
    }
    const QString other = dir.filePath("other-name.bin");
    if (secondName) {
        QVERIFY(NativeFile::addName(large, other));
    }
    FileCopier::CopyOptions options;
    int calls = 0;
    options.progress = [&calls](qint64, qint64) { ++calls; };
    if (moveOver) {
        QVERIFY(TestFiles::write(dir.filePath("small.bin"), "small"));
        QVERIFY(FileCopier::move(dir.filePath("small.bin"), large, options));
        QCOMPARE(TestFiles::read(large), QByteArray("small"));
    } else {
        QVERIFY(FileCopier::remove(large, options));
        QVERIFY(!QFileInfo::exists(large));
    }
    // Nothing left beside: no piece, no second name of ours.
    QStringList expected;
    if (moveOver) {
        expected << "large.bin";
    }
    if (secondName) {
        expected << "other-name.bin";
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), expected);
    if (secondName) {
        QCOMPARE(QFileInfo(other).size(), size);
        QCOMPARE(calls, 0);
    } else {
        QVERIFY(calls >= 2);
    }
}

QTEST_GUILESS_MAIN(TestFileCopier)
#include "tst_filecopier.moc"
