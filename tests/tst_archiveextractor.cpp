#include "deploy/archiveextractor.h"
#include "platform/pathcase.h"
#include "support/testarchive.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <clocale>
#include <cstdio>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using TestArchive::Entry;
using TestArchive::Format;
using Failure = ArchiveExtractor::Failure;
using Snapshot = QMap<QString, QByteArray>;

Q_DECLARE_METATYPE(QList<TestArchive::Entry>)
Q_DECLARE_METATYPE(TestArchive::Format)
Q_DECLARE_METATYPE(ArchiveExtractor::Failure)

// What is done to an archive after it was written, to imitate a bad download.
enum class Damage
{
    None,
    FlipMiddleByte,
    CutInHalf,
    NotAnArchive,
    // A zip entry whose sizes come after its data: its headers are made to
    // say "nothing", as a zip bomb may, so only the writing can count it.
    HideSizes
};
Q_DECLARE_METATYPE(Damage)

class TestArchiveExtractor : public QObject
{
    Q_OBJECT

private slots:
    void unpacksEveryFile_data();
    void unpacksEveryFile();
    void refusesHostileArchive_data();
    void refusesHostileArchive();
    void missingDestinationIsMade();
    void chosenModFolder_data();
    void chosenModFolder();
    void macMetadataDoesNotStopUnwrapping();
    void unmarkedZipNamesAreReadAsGbk_data();
    void unmarkedZipNamesAreReadAsGbk();
};

// A sandbox with the archive in in/ and the destination out/unpacked, so that
// any write outside the destination shows up in the sandbox's snapshot.
struct Sandbox
{
    QTemporaryDir dir;
    QString archive(const QString &name) const { return dir.filePath("in/" + name); }
    QString destination() const { return dir.filePath("out/unpacked"); }
    bool prepare() const
    {
        return QDir().mkpath(dir.filePath("in")) && QDir().mkpath(destination());
    }
};

static QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(42);
    for (char &byte : bytes) {
        byte = char(generator.bounded(256));
    }
    return bytes;
}

void TestArchiveExtractor::unpacksEveryFile_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QByteArray>("options");

    QTest::newRow("zip deflate") << Format::Zip << QByteArray();
    QTest::newRow("zip stored") << Format::Zip << QByteArray("zip:compression=store");
    QTest::newRow("7z lzma2") << Format::SevenZip << QByteArray();
    QTest::newRow("7z ppmd") << Format::SevenZip << QByteArray("7zip:compression=ppmd");
    QTest::newRow("7z deflate") << Format::SevenZip << QByteArray("7zip:compression=deflate");
    QTest::newRow("7z bzip2") << Format::SevenZip << QByteArray("7zip:compression=bzip2");
}

void TestArchiveExtractor::unpacksEveryFile()
{
    QFETCH(Format, format);
    QFETCH(QByteArray, options);
#ifdef Q_OS_WIN
    if (options.contains("bzip2")) {
        QSKIP("the Windows build's libarchive is made without bzip2 (scripts/build-windows.sh)");
    }
#endif
    Sandbox box;
    QVERIFY(box.prepare());
    const QByteArray big = randomBytes(1024 * 1024 + 17);
    const QList<Entry> entries{
        TestArchive::folder("abdata/"),
        TestArchive::file("abdata/chara/body_00.unity3d", "body"),
        TestArchive::file(QStringLiteral("abdata/衣服/上衣.unity3d"), "coat"),
        TestArchive::file("abdata\\list\\items.txt", "written on Windows"),
        TestArchive::file("./UserData/chara/female/card.png", big),
        TestArchive::file("UserData/empty.txt", QByteArray()),
        TestArchive::folder("Plugins/"),
        TestArchive::file("readme.txt", "loose file at the mod root"),
        TestArchive::file("__MACOSX/abdata/._body_00.unity3d", "resource fork"),
    };
    const QString path = box.archive("mod.archive");
    QVERIFY(TestArchive::write(path, format, entries,
                               options.isEmpty() ? nullptr : options.constData()));

    ArchiveExtractor extractor;
    QList<int> progress;
    extractor.setProgress([&progress](int perMille) { progress << perMille; });
    QVERIFY2(extractor.extract(path, box.destination()), qPrintable(extractor.errorString()));
    QCOMPARE(extractor.failure(), Failure::None);

    const Snapshot expected{
        {"abdata", "<dir>"},
        {"abdata/chara", "<dir>"},
        {"abdata/chara/body_00.unity3d", "body"},
        {QStringLiteral("abdata/衣服"), "<dir>"},
        {QStringLiteral("abdata/衣服/上衣.unity3d"), "coat"},
        {"abdata/list", "<dir>"},
        {"abdata/list/items.txt", "written on Windows"},
        {"UserData", "<dir>"},
        {"UserData/chara", "<dir>"},
        {"UserData/chara/female", "<dir>"},
        {"UserData/chara/female/card.png", big},
        {"UserData/empty.txt", QByteArray()},
        {"Plugins", "<dir>"},
        {"readme.txt", "loose file at the mod root"},
    };
    QCOMPARE(TestFiles::snapshot(box.destination()), expected);
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last(), 1000);
    QVERIFY(std::is_sorted(progress.cbegin(), progress.cend()));
}

void TestArchiveExtractor::refusesHostileArchive_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<qint64>("sizeLimit");
    QTest::addColumn<Failure>("failure");
    // Refused from the headers alone, before anything is written.
    QTest::addColumn<bool>("refusedBeforeWriting");

    const Entry honest = TestArchive::file("abdata/honest.unity3d", "honest");
    // The destination is <sandbox>/out/unpacked: these names aim at the sandbox.
    const QString escape = QStringLiteral("../../escape.txt");
    const qint64 limit = ArchiveExtractor::DefaultSizeLimit;

    for (const Format format : {Format::Zip, Format::SevenZip}) {
        const char *kind = format == Format::Zip ? "zip" : "7z";
        const auto row = [kind](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(kind, name)));
        };
        row("absolute path") << format
                             << QList<Entry>{honest, TestArchive::file("/tmp/veldane-abs.txt", "x")}
                             << QByteArray() << Damage::None << limit << Failure::AbsolutePath
                             << true;
        row("drive letter") << format
                            << QList<Entry>{honest, TestArchive::file("C:\\evil.txt", "x")}
                            << QByteArray() << Damage::None << limit << Failure::AbsolutePath
                            << true;
        row("dot-dot") << format << QList<Entry>{honest, TestArchive::file("abdata/" + escape, "x")}
                       << QByteArray() << Damage::None << limit << Failure::ParentReference << true;
        row("dot-dot with backslashes")
            << format << QList<Entry>{honest, TestArchive::file("..\\..\\escape.txt", "x")}
            << QByteArray() << Damage::None << limit << Failure::ParentReference << true;
        row("Windows device name")
            << format << QList<Entry>{honest, TestArchive::file("abdata/NUL.txt", "x")}
            << QByteArray() << Damage::None << limit << Failure::UnsafeName << true;
        row("colon in name") << format
                             << QList<Entry>{honest, TestArchive::file("abdata/a:stream", "x")}
                             << QByteArray() << Damage::None << limit << Failure::UnsafeName
                             << true;
        row("symlink then file through it")
            << format
            << QList<Entry>{honest, TestArchive::special(Entry::Symlink, "abdata/out", ".."),
                            TestArchive::file("abdata/out/escape.txt", "x")}
            << QByteArray() << Damage::None << limit << Failure::Link << true;
        row("sum over the size limit")
            << format
            << QList<Entry>{TestArchive::file("a.bin", QByteArray(600, 'a')),
                            TestArchive::file("b.bin", QByteArray(600, 'b'))}
            << QByteArray() << Damage::None << qint64(1000) << Failure::TooLarge << true;
        if (format == Format::Zip) {
            // libarchive notices the lie only at the end of the entry, after
            // handing out its data; by then the two together are over the limit.
            row("second entry's size hidden, together over the limit")
                << format
                << QList<Entry>{TestArchive::file("a.bin", randomBytes(600 * 1024)),
                                TestArchive::file("b.bin", randomBytes(600 * 1024))}
                << QByteArray() << Damage::HideSizes << qint64(1000 * 1000) << Failure::TooLarge
                << false;
        }
        row("truncated") << format
                         << QList<Entry>{honest, TestArchive::file("big.bin", randomBytes(200000))}
                         << QByteArray() << Damage::CutInHalf << limit << Failure::Damaged << false;
        row("corrupted data") << format
                              << QList<Entry>{TestArchive::file("big.bin", randomBytes(200000))}
                              << QByteArray(format == Format::Zip ? "zip:compression=store"
                                                                  : "7zip:compression=store")
                              << Damage::FlipMiddleByte << limit << Failure::Damaged << false;
        row("not an archive") << format << QList<Entry>{honest} << QByteArray()
                              << Damage::NotAnArchive << limit << Failure::CannotOpen << true;
        row("no files") << format << QList<Entry>{TestArchive::folder("abdata/")} << QByteArray()
                        << Damage::None << limit << Failure::NoFiles << true;
    }
    QTest::newRow("7z pipe") << Format::SevenZip
                             << QList<Entry>{honest, TestArchive::special(Entry::Fifo, "pipe")}
                             << QByteArray() << Damage::None << limit << Failure::SpecialFile
                             << true;
    QTest::newRow("7z device") << Format::SevenZip
                               << QList<Entry>{honest,
                                               TestArchive::special(Entry::CharDevice, "tty")}
                               << QByteArray() << Damage::None << limit << Failure::SpecialFile
                               << true;
    QTest::newRow("zip traditional encryption")
        << Format::Zip << QList<Entry>{honest} << QByteArray("zip:encryption=zipcrypt")
        << Damage::None << limit << Failure::Encrypted << true;
    QTest::newRow("zip aes encryption")
        << Format::Zip << QList<Entry>{honest} << QByteArray("zip:encryption=aes256")
        << Damage::None << limit << Failure::Encrypted << true;
}

void TestArchiveExtractor::refusesHostileArchive()
{
    QFETCH(Format, format);
    QFETCH(QList<Entry>, entries);
    QFETCH(QByteArray, options);
    QFETCH(Damage, damage);
    QFETCH(qint64, sizeLimit);
    QFETCH(Failure, failure);
    QFETCH(bool, refusedBeforeWriting);

#ifdef Q_OS_WIN
    if (options.contains("aes")) {
        QSKIP("the Windows build's libarchive is made without AES, so no such zip can be written");
    }
#endif
    Sandbox box;
    QVERIFY(box.prepare());
    const QString path = box.archive("hostile.archive");
    QVERIFY(TestArchive::write(path, format, entries,
                               options.isEmpty() ? nullptr : options.constData()));
    QByteArray bytes = TestFiles::read(path);
    switch (damage) {
    case Damage::None:
        break;
    case Damage::FlipMiddleByte:
        bytes[bytes.size() / 2] = char(bytes.at(bytes.size() / 2) ^ 0x5a);
        break;
    case Damage::CutInHalf:
        bytes.truncate(bytes.size() / 2);
        break;
    case Damage::NotAnArchive:
        bytes = "This is a text file that someone named like an archive.\n";
        break;
    case Damage::HideSizes:
        // The unpacked size in the second local header and central directory
        // entry: the first entry is honest and fills most of the limit.
        for (const auto &[signature, offset] :
             {qMakePair(QByteArray("PK\x03\x04"), 22), qMakePair(QByteArray("PK\x01\x02"), 24)}) {
            const int second = bytes.indexOf(signature, bytes.indexOf(signature) + 1);
            QVERIFY(second > 0);
            bytes.replace(second + offset, 4, QByteArray(4, '\0'));
        }
        break;
    }
    QVERIFY(TestFiles::write(path, bytes));
    const Snapshot before = TestFiles::snapshot(box.dir.path());

    ArchiveExtractor extractor(sizeLimit);
    QVERIFY(!extractor.extract(path, box.destination()));
    QCOMPARE(extractor.failure(), failure);
    QVERIFY(!extractor.errorString().isEmpty());

    // Whatever was unpacked stays below the destination; the rest of the
    // sandbox is untouched.
    Snapshot after = TestFiles::snapshot(box.dir.path());
    for (auto it = after.begin(); it != after.end();) {
        it = it.key().startsWith("out/unpacked/") ? after.erase(it) : std::next(it);
    }
    QCOMPARE(after, before);
    QVERIFY(!QFile::exists("/tmp/veldane-abs.txt"));
    if (refusedBeforeWriting) {
        QCOMPARE(TestFiles::snapshot(box.destination()), Snapshot());
    }
    qint64 onDisk = 0;
    for (const QByteArray &content : TestFiles::snapshot(box.destination())) {
        onDisk += content == "<dir>" ? 0 : content.size();
    }
    QVERIFY(onDisk <= sizeLimit);
}

void TestArchiveExtractor::missingDestinationIsMade()
{
    Sandbox box;
    QVERIFY(QDir().mkpath(box.dir.filePath("in")));
    const QString path = box.archive("mod.zip");
    QVERIFY(TestArchive::write(path, Format::Zip, {TestArchive::file("a.txt", "a")}));
    // out/unpacked and its parent are not there yet.
    ArchiveExtractor extractor;
    QVERIFY2(extractor.extract(path, box.destination()), qPrintable(extractor.errorString()));
    QCOMPARE(TestFiles::snapshot(box.destination()), (Snapshot{{"a.txt", "a"}}));

    // Below a file no folder can be made: refused, naming the folder.
    QVERIFY(TestFiles::write(box.dir.filePath("blocker"), "file"));
    const QString blocked = box.dir.filePath("blocker/unpacked");
    QVERIFY(!extractor.extract(path, blocked));
    QCOMPARE(extractor.failure(), Failure::FolderNotMade);
    QCOMPARE(extractor.outcome().detail(), QDir::toNativeSeparators(blocked));
    QCOMPARE(TestFiles::read(box.dir.filePath("blocker")), QByteArray("file"));
}

void TestArchiveExtractor::chosenModFolder_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("expected"); // relative to the unpacked folder

    QTest::newRow("single wrapping folder")
        << QStringList{"MyMod/abdata/a.unity3d", "MyMod/UserData/b.png"} << "MyMod";
    QTest::newRow("wrapping folder with a dot")
        << QStringList{"MyMod v1.2/abdata/a.unity3d"} << "MyMod v1.2";
    QTest::newRow("abdata kept") << QStringList{"abdata/chara/a.unity3d"} << "";
    QTest::newRow("Plugins kept") << QStringList{"Plugins/a.dll"} << "";
    QTest::newRow("UserData kept") << QStringList{"UserData/chara/female/a.png"} << "";
    QTest::newRow("game folder in other case kept") << QStringList{"ABDATA/a.unity3d"} << "";
    QTest::newRow("mod root") << QStringList{"abdata/a.unity3d", "UserData/b.png"} << "";
    QTest::newRow("folder and loose file") << QStringList{"MyMod/a.txt", "readme.txt"} << "";
    QTest::newRow("folder and hidden file") << QStringList{"MyMod/a.txt", ".hidden"} << "";
    QTest::newRow("single file") << QStringList{"readme.txt"} << "";
}

void TestArchiveExtractor::chosenModFolder()
{
    QFETCH(QStringList, files);
    QFETCH(QString, expected);
    // The game's file system decides whether "ABDATA" is its abdata folder;
    // where case counts it is a wrapping folder like any other.
    PathCase::setForced(true);
    QTemporaryDir unpacked;
    for (const QString &file : files) {
        QVERIFY(TestFiles::write(unpacked.filePath(file), "x"));
    }
    const QString chosen = ArchiveExtractor::modFolder(unpacked.path());
    PathCase::setForced(false);
    QCOMPARE(QDir(unpacked.path()).relativeFilePath(chosen), expected.isEmpty() ? "." : expected);
}

void TestArchiveExtractor::macMetadataDoesNotStopUnwrapping()
{
    Sandbox box;
    QVERIFY(box.prepare());
    const QString path = box.archive("mod.zip");
    QVERIFY(TestArchive::write(path, Format::Zip,
                               {TestArchive::file("MyMod/abdata/a.unity3d", "a"),
                                TestArchive::file("__MACOSX/MyMod/abdata/._a.unity3d", "fork")}));
    ArchiveExtractor extractor;
    QVERIFY(extractor.extract(path, box.destination()));
    QCOMPARE(ArchiveExtractor::modFolder(box.destination()),
             QDir(box.destination()).filePath("MyMod"));
}

void TestArchiveExtractor::unmarkedZipNamesAreReadAsGbk_data()
{
    QTest::addColumn<bool>("infoZip");
    QTest::addColumn<QByteArray>("readingLocale");
    // Beside the GBK name, one whose unmarked bytes are valid UTF-8 (as zip
    // tools on macOS write them) and valid GBK as well: UTF-8 comes first.
    QTest::addColumn<bool>("unmarkedUtf8");
    for (const bool infoZip : {false, true}) {
        for (const char *locale : {"C", "C.UTF-8"}) {
            for (const bool utf8 : {false, true}) {
                QTest::addRow("%s, read in %s%s", infoZip ? "Info-ZIP" : "libarchive", locale,
                              utf8 ? ", with an unmarked UTF-8 name" : "")
                    << infoZip << QByteArray(locale) << utf8;
            }
        }
    }
}

// Stands in for the bytes of the unmarked UTF-8 name until the zip is written:
// as long as they are, and the same in every charset.
static const QByteArray Utf8Placeholder = "@@@@@@";

// As zip tools on a Chinese system write them: GBK, no UTF-8 mark, no Unicode
// extra field.
static bool writeGbkZip(const QString &path, bool infoZip)
{
    const QByteArray previous = setlocale(LC_CTYPE, nullptr);
    if (!infoZip) {
        // libarchive converts names for writing only from a UTF-8 locale.
        setlocale(LC_CTYPE, "C.UTF-8");
        const bool written = TestArchive::write(
            path, Format::Zip,
            {TestArchive::file(QStringLiteral("衣服/上衣.txt"), "coat"),
             TestArchive::file(QString::fromLatin1(Utf8Placeholder + "/dress.txt"), "dress")},
            "zip:hdrcharset=CP936");
        setlocale(LC_CTYPE, previous.constData());
        return written;
    }
#ifdef Q_OS_WIN
    return false;
#else
    // The file is named with raw GBK bytes, as it would be on such a system.
    QTextCodec *gbk = QTextCodec::codecForName("GBK");
    const QString source = QFileInfo(path).absolutePath() + "/source";
    const QByteArray folder = QFile::encodeName(source) + '/' + gbk->fromUnicode("衣服");
    if (!QDir().mkpath(source) || mkdir(folder.constData(), 0755) != 0) {
        return false;
    }
    const QByteArray name = folder + '/' + gbk->fromUnicode("上衣.txt");
    FILE *file = std::fopen(name.constData(), "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fputs("coat", file) >= 0;
    std::fclose(file);
    if (!TestFiles::write(source + '/' + Utf8Placeholder + "/dress.txt", "dress")) {
        return false;
    }
    QProcess zip;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C");
    zip.setProcessEnvironment(environment);
    zip.setWorkingDirectory(source);
    zip.start("zip", {"-q", "-r", "-X", path, "."});
    const bool zipped = zip.waitForFinished() && zip.exitCode() == 0;
    // Qt cannot name these files to remove them with the sandbox.
    std::remove(name.constData());
    std::remove(folder.constData());
    return written && zipped;
#endif
}

void TestArchiveExtractor::unmarkedZipNamesAreReadAsGbk()
{
    QFETCH(bool, infoZip);
    QFETCH(QByteArray, readingLocale);
    QFETCH(bool, unmarkedUtf8);
    if (infoZip && QStandardPaths::findExecutable("zip").isEmpty()) {
        QSKIP("Info-ZIP's zip is not installed");
    }
    Sandbox box;
    QVERIFY(box.prepare());
    const QString path = box.archive("chinese.zip");
    QVERIFY(writeGbkZip(path, infoZip));
    QByteArray bytes = TestFiles::read(path);
    QVERIFY(!bytes.contains(QStringLiteral("衣服").toUtf8()));
    // "长裙" in UTF-8 reads as three other characters in GBK.
    const QString dress = QStringLiteral("长裙");
    const QByteArray dressUtf8 = dress.toUtf8();
    QCOMPARE(dressUtf8.size(), Utf8Placeholder.size());
    QVERIFY(QTextCodec::codecForName("GBK")->toUnicode(dressUtf8) != dress);
    QVERIFY(bytes.count(Utf8Placeholder) >= 2); // in the local and the central headers
    const QString folder = unmarkedUtf8 ? dress : QString::fromLatin1(Utf8Placeholder);
    if (unmarkedUtf8) {
        bytes.replace(Utf8Placeholder, dressUtf8);
        QVERIFY(TestFiles::write(path, bytes));
    }

    // Whatever the user's locale, the names come out the same.
    const QByteArray previous = setlocale(LC_CTYPE, nullptr);
    if (!setlocale(LC_CTYPE, readingLocale.constData())) {
        QSKIP("locale not available");
    }
    ArchiveExtractor extractor;
    const bool extracted = extractor.extract(path, box.destination());
    setlocale(LC_CTYPE, previous.constData());
    QVERIFY2(extracted, qPrintable(extractor.errorString()));
    QCOMPARE(TestFiles::snapshot(box.destination()),
             (Snapshot{{QStringLiteral("衣服"), "<dir>"},
                       {QStringLiteral("衣服/上衣.txt"), "coat"},
                       {folder, "<dir>"},
                       {folder + "/dress.txt", "dress"}}));
}

QTEST_GUILESS_MAIN(TestArchiveExtractor)
#include "tst_archiveextractor.moc"
