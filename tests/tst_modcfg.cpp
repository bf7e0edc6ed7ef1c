#include "catalogue/modcfg.h"
#include "platform/pathcase.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using Records = QMap<QString, ModRecord>;
using Batch = QList<RecordedFile>;

Q_DECLARE_METATYPE(Records)
Q_DECLARE_METATYPE(Batch)

namespace {

const char *const kCatalogue = "config/HoneySelect.xml";

const QByteArray kExample = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<HoneySelect>\n"
                            "    <mod id=\"SkinPack\">\n"
                            "        <info/>\n"
                            "        <time>2016-5-3 09:07:05</time>\n"
                            "        <install>1</install>\n"
                            "        <replace>\n"
                            "            <item order=\"1\">D:\\Games\\HoneySelect\\abdata\\chara\\"
                            "body_00.unity3d</item>\n"
                            "        </replace>\n"
                            "        <add>\n"
                            "            <item order=\"1\">D:\\Games\\HoneySelect\\abdata\\chara\\"
                            "body_99.unity3d</item>\n"
                            "        </add>\n"
                            "    </mod>\n"
                            "</HoneySelect>\n";

FileItem item(int order, const QString &path)
{
    FileItem f;
    f.order = order;
    f.path = path;
    return f;
}

ModRecord record(const QString &info, const QString &time, int install,
                 const QList<FileItem> &replace, const QList<FileItem> &add)
{
    ModRecord r;
    r.info = info;
    r.time = time;
    r.install = install;
    r.replace = replace;
    r.add = add;
    return r;
}

RecordedFile file(const QString &path, bool replaced)
{
    RecordedFile f;
    f.path = path;
    f.replaced = replaced;
    return f;
}

// A catalogue file from its mod elements, in the writer's own layout.
QByteArray catalogue(const QByteArray &mods, const QByteArray &root = "HoneySelect")
{
    if (mods.isEmpty()) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + root + "/>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + root + ">\n" + mods + "</" + root +
           ">\n";
}

// One mod element; `lists` holds the replace and add elements.
QByteArray modElement(const QByteArray &id, const QByteArray &time, const QByteArray &install,
                      const QByteArray &replaceItems, const QByteArray &addItems,
                      const QByteArray &info = QByteArray())
{
    QByteArray text = "    <mod id=\"" + id + "\">\n";
    text +=
        info.isEmpty() ? QByteArray("        <info/>\n") : "        <info>" + info + "</info>\n";
    text += "        <time>" + time + "</time>\n";
    text += "        <install>" + install + "</install>\n";
    text += replaceItems.isEmpty() ? QByteArray("        <replace/>\n")
                                   : "        <replace>\n" + replaceItems + "        </replace>\n";
    text += addItems.isEmpty() ? QByteArray("        <add/>\n")
                               : "        <add>\n" + addItems + "        </add>\n";
    return text + "    </mod>\n";
}

QByteArray itemElement(int order, const QByteArray &path)
{
    return "            <item order=\"" + QByteArray::number(order) + "\">" + path + "</item>\n";
}

// Counts as the catalogue's rule says, over the records in memory.
int scannedCount(const ModCfg &cfg, const QString &path)
{
    int count = 0;
    for (const ModRecord &r : cfg.m_mods) {
        if (r.install == 0) {
            continue;
        }
        for (const FileItem &f : r.add + r.replace) {
            count += PathCase::key(f.path) == PathCase::key(path) ? 1 : 0;
        }
    }
    return count;
}

// The index must agree with a full scan for every path in memory and a few that are not.
bool indexMatchesScan(const ModCfg &cfg, const QStringList &extra = QStringList())
{
    QSet<QString> paths(extra.cbegin(), extra.cend());
    for (const ModRecord &r : cfg.m_mods) {
        for (const FileItem &f : r.add + r.replace) {
            paths.insert(f.path);
        }
    }
    for (const QString &path : paths) {
        if (cfg.installedItemCount(path) != scannedCount(cfg, path)) {
            qWarning() << "index and scan differ for" << path << cfg.installedItemCount(path)
                       << scannedCount(cfg, path);
            return false;
        }
    }
    return true;
}

bool isCatalogueTime(const QString &time)
{
    return QRegularExpression(QStringLiteral("^\\d{4}-\\d{1,2}-\\d{1,2} \\d\\d:\\d\\d:\\d\\d$"))
        .match(time)
        .hasMatch();
}

#ifdef Q_OS_UNIX
// Makes every file write beyond `bytes` fail for the lifetime of the object:
// running as root, permission bits cannot make the catalogue unwritable.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_previous;
    void (*m_handler)(int);
};
#endif

} // namespace

class TestModCfg : public QObject
{
    Q_OBJECT

private slots:
    void exampleWrittenByRecording();
    void exampleRoundTripIsByteIdentical();
    void readingTolerances_data();
    void readingTolerances();
    void duplicateIdsWritersChangeFirst();
    void notesRoundTrip_data();
    void notesRoundTrip();
    void orderNumbersFollowInstalledMods();
    void addItemsEqualsAddItemSequence_data();
    void addItemsEqualsAddItemSequence();
    void applyChangesRewritesLayers();
    void brokenFileReadsEmptyAndStaysUntouched_data();
    void brokenFileReadsEmptyAndStaysUntouched();
    void failedWriteKeepsPreviousFile_data();
    void failedWriteKeepsPreviousFile();
    void textsXmlCannotHoldAreRefused_data();
    void textsXmlCannotHoldAreRefused();
    void rootTagOfGameName_data();
    void rootTagOfGameName();
    void createNeverReplacesAFile();
    void recordLifecycle();
    void recordMissingFromMemoryIsReadFromFile();
    void declarationIsWrittenInOneForm_data();
    void declarationIsWrittenInOneForm();
    void fileChangedByAnotherProcessIsReRead_data();
    void fileChangedByAnotherProcessIsReRead();
};

void TestModCfg::exampleWrittenByRecording()
{
    ScopedWorkingDir dir;
    QVERIFY(QDir().mkdir("config"));
    ModCfg cfg;
    QVERIFY(!cfg.exists());
    QVERIFY(cfg.create());
    QCOMPARE(TestFiles::read(kCatalogue), catalogue(QByteArray()));

    QVERIFY(
        cfg.addItem("SkinPack", "D:\\Games\\HoneySelect\\abdata\\chara\\body_00.unity3d", true));
    QVERIFY(
        cfg.addItem("SkinPack", "D:\\Games\\HoneySelect\\abdata\\chara\\body_99.unity3d", false));

    const QString time = cfg.m_mods.value("SkinPack").time;
    QVERIFY(isCatalogueTime(time));
    QByteArray expected = kExample;
    expected.replace("2016-5-3 09:07:05", time.toUtf8());
    QCOMPARE(TestFiles::read(kCatalogue), expected);
    QCOMPARE(cfg.installedItemCount("D:\\Games\\HoneySelect\\abdata\\chara\\body_00.unity3d"), 1);
}

void TestModCfg::exampleRoundTripIsByteIdentical()
{
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(kCatalogue, kExample));
    ModCfg cfg;
    const Records expected{
        {"SkinPack", record("", "2016-5-3 09:07:05", 1,
                            {item(1, "D:\\Games\\HoneySelect\\abdata\\chara\\body_00.unity3d")},
                            {item(1, "D:\\Games\\HoneySelect\\abdata\\chara\\body_99.unity3d")})}};
    QCOMPARE(cfg.m_mods, expected);

    // Writers that change nothing reproduce the file exactly.
    QVERIFY(cfg.setInstall("SkinPack", true));
    QCOMPARE(TestFiles::read(kCatalogue), kExample);
    QVERIFY(cfg.setInfo("SkinPack", QString()));
    QCOMPARE(TestFiles::read(kCatalogue), kExample);
    QVERIFY(cfg.applyChanges({{"SkinPack", expected.value("SkinPack")}}));
    QCOMPARE(TestFiles::read(kCatalogue), kExample);
    QVERIFY(cfg.addItems("SkinPack", Batch()));
    QCOMPARE(TestFiles::read(kCatalogue), kExample);
    QCOMPARE(cfg.m_mods, expected);
}

void TestModCfg::readingTolerances_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Records>("expected");

    QTest::newRow("item without order reads 0, non-number reads 0")
        << catalogue("<mod id=\"a\"><info/><time>t</time><install>1</install>"
                     "<replace><item>p1</item><item order=\"x\">p2</item></replace>"
                     "<add><item order=\"7\">p3</item></add></mod>")
        << Records{{"a", record("", "t", 1, {item(0, "p1"), item(0, "p2")}, {item(7, "p3")})}};
    QTest::newRow("missing install reads installed, other text reads 0")
        << catalogue("<mod id=\"a\"><info>n</info><time>t</time></mod>"
                     "<mod id=\"b\"><install>yes</install></mod>"
                     "<mod id=\"c\"><install>0</install></mod>")
        << Records{{"a", record("n", "t", 1, {}, {})},
                   {"b", record("", "", 0, {}, {})},
                   {"c", record("", "", 0, {}, {})}};
    QTest::newRow("missing lists read empty")
        << catalogue("<mod id=\"a\"><install>1</install><add><item order=\"1\">p</item></add>"
                     "</mod><mod id=\"b\"><replace><item order=\"2\">q</item></replace></mod>")
        << Records{{"a", record("", "", 1, {}, {item(1, "p")})},
                   {"b", record("", "", 1, {item(2, "q")}, {})}};
    QTest::newRow("any tag names, first of each child counts")
        << catalogue("<entry id=\"a\"><info>first</info><info>second</info>"
                     "<add><file order=\"2\">p</file><x order=\"3\">q</x></add>"
                     "<add><item order=\"9\">ignored</item></add></entry>",
                     "PlayClub")
        << Records{{"a", record("first", "", 1, {}, {item(2, "p"), item(3, "q")})}};
    QTest::newRow("empty root") << catalogue(QByteArray()) << Records();
    QTest::newRow("empty root with whitespace")
        << QByteArray("<?xml version=\"1.0\"?>\n<HoneySelect>\n\n   </HoneySelect>") << Records();
    QTest::newRow("later duplicate wins, missing id is the empty key")
        << catalogue("<mod id=\"a\"><info>old</info></mod><mod><info>anon</info></mod>"
                     "<mod id=\"a\"><info>new</info><install>0</install></mod>")
        << Records{{"a", record("new", "", 0, {}, {})}, {"", record("anon", "", 1, {}, {})}};
    QTest::newRow("comments, attributes and other elements ignored")
        << catalogue("<!-- c --><mod id=\"a\" extra=\"1\"><note>x</note><!-- c -->"
                     "<install>\n    1\n</install><add a=\"b\"><!-- c --><item order=\" 4 \">"
                     "p</item></add></mod>")
        << Records{{"a", record("", "", 1, {}, {item(4, "p")})}};
    QTest::newRow("case-sensitive ids")
        << catalogue("<mod id=\"A\"/><mod id=\"a\"><install>0</install></mod>")
        << Records{{"A", record("", "", 1, {}, {})}, {"a", record("", "", 0, {}, {})}};
    // Names with a quote are refused today; older files may hold one.
    QTest::newRow("quote in an id")
        << catalogue(modElement("say &quot;hi&quot;", "t", "1", QByteArray(), itemElement(1, "p")))
        << Records{{"say \"hi\"", record("", "t", 1, {}, {item(1, "p")})}};
}

void TestModCfg::readingTolerances()
{
    QFETCH(QByteArray, content);
    QFETCH(Records, expected);
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(kCatalogue, content));

    ModCfg cfg;
    QCOMPARE(cfg.m_mods, expected);
    QVERIFY(indexMatchesScan(cfg));
    QCOMPARE(TestFiles::read(kCatalogue), content);

    // The file stays valid for changes, whatever it looked like.
    QVERIFY(cfg.addItem("new", "p", false));
    ModCfg reread;
    QCOMPARE(reread.m_mods, cfg.m_mods);
}

void TestModCfg::duplicateIdsWritersChangeFirst()
{
    ScopedWorkingDir dir;
    const QByteArray first = modElement("a", "t1", "1", QByteArray(), itemElement(1, "p"));
    const QByteArray second = modElement("a", "t2", "1", QByteArray(), itemElement(2, "p"));
    QVERIFY(TestFiles::write(kCatalogue, catalogue(first + second)));
    ModCfg cfg;
    QCOMPARE(cfg.m_mods.value("a").time, QStringLiteral("t2"));
    QCOMPARE(cfg.installedItemCount("p"), 1);

    QVERIFY(cfg.setInfo("a", "note"));
    QVERIFY(cfg.setInstall("a", false));
    QVERIFY(cfg.addItem("a", "q", true));
    const QByteArray changed =
        modElement("a", "t1", "0", itemElement(1, "q"), itemElement(1, "p"), "note");
    QCOMPARE(TestFiles::read(kCatalogue), catalogue(changed + second));
    // Memory holds the later element's record with the same changes.
    QCOMPARE(cfg.m_mods.value("a"), record("note", "t2", 0, {item(1, "q")}, {item(2, "p")}));
    QVERIFY(indexMatchesScan(cfg));

    QVERIFY(cfg.deleteMod("a"));
    QCOMPARE(TestFiles::read(kCatalogue), catalogue(second));
    QVERIFY(cfg.m_mods.isEmpty());
    QCOMPARE(cfg.installedItemCount("p"), 0);
}

void TestModCfg::notesRoundTrip_data()
{
    QTest::addColumn<QString>("notes");
    QTest::newRow("markup") << QStringLiteral("a < b && c > d ]]> \"q\" 'a'");
    QTest::newRow("line breaks") << QStringLiteral("first\nsecond\r\nthird\n\n");
    QTest::newRow("chinese") << QStringLiteral("皮肤补丁,需要先装 基础包。");
    QTest::newRow("edge blanks") << QStringLiteral("  indented\tand tabbed  ");
    QTest::newRow("entity-like") << QStringLiteral("&amp; &#x41; <!-- no comment -->");
    QTest::newRow("astral") << QStringLiteral("emoji \U0001F600 end");
}

void TestModCfg::notesRoundTrip()
{
    QFETCH(QString, notes);
    ScopedWorkingDir dir;
    QVERIFY(QDir().mkdir("config"));
    ModCfg cfg;
    QVERIFY(cfg.create());
    QVERIFY(cfg.addItem("皮肤", "D:\\游戏\\abdata\\x.unity3d", false));
    QVERIFY(cfg.setInfo("皮肤", "something longer to be replaced\nentirely"));
    QVERIFY(cfg.setInfo("皮肤", notes));
    QCOMPARE(cfg.m_mods.value("皮肤").info, notes);

    ModCfg reread;
    QCOMPARE(reread.m_mods, cfg.m_mods);
    QVERIFY(TestFiles::read(kCatalogue).contains(QStringLiteral("皮肤").toUtf8()));
}

void TestModCfg::orderNumbersFollowInstalledMods()
{
    ScopedWorkingDir dir;
    QVERIFY(QDir().mkdir("config"));
    ModCfg cfg;
    QVERIFY(cfg.create());
    const QString p = QStringLiteral("D:\\G\\abdata\\a.unity3d");

    QVERIFY(cfg.addItem("A", p, false));
    QVERIFY(cfg.addItem("B", p, true));
    QVERIFY(cfg.addItem("C", p, true));
    QCOMPARE(cfg.installedItemCount(p), 3);
    // The mod's own earlier item counts while it is installed.
    QVERIFY(cfg.addItem("C", p, true));
    QCOMPARE(cfg.m_mods.value("C").replace, (QList<FileItem>{item(3, p), item(4, p)}));

    QVERIFY(cfg.setInstall("B", false));
    QCOMPARE(cfg.installedItemCount(p), 3);
    QVERIFY(cfg.deleteMod("A"));
    QCOMPARE(cfg.installedItemCount(p), 2);
    QVERIFY(cfg.addItem("D", p, false));
    // Uninstalled B still records the path but does not count for it.
    QVERIFY(cfg.addItem("B", p, false));
    QCOMPARE(cfg.m_mods.value("B").add, (QList<FileItem>{item(4, p)}));
    QCOMPARE(cfg.m_mods.value("B").install, 0);
    QVERIFY(cfg.setInstall("B", true));
    QCOMPARE(cfg.installedItemCount(p), 5);

    // Case and separators are folded only where the file system does so:
    // always on Windows; on Linux a backslash is part of a name.
#ifdef Q_OS_WIN
    QCOMPARE(cfg.installedItemCount("d:\\g\\abdata\\a.unity3d"), 5);
    QCOMPARE(cfg.installedItemCount("D:/G/abdata/a.unity3d"), 5);
#else
    QCOMPARE(cfg.installedItemCount("d:\\g\\abdata\\a.unity3d"), 0);
    QCOMPARE(cfg.installedItemCount("D:/G/abdata/a.unity3d"), 0);
#endif

    const QByteArray expected = catalogue(
        modElement("B", cfg.m_mods.value("B").time.toUtf8(), "1", itemElement(2, p.toUtf8()),
                   itemElement(4, p.toUtf8())) +
        modElement("C", cfg.m_mods.value("C").time.toUtf8(), "1",
                   itemElement(3, p.toUtf8()) + itemElement(4, p.toUtf8()), QByteArray()) +
        modElement("D", cfg.m_mods.value("D").time.toUtf8(), "1", QByteArray(),
                   itemElement(3, p.toUtf8())));
    QCOMPARE(TestFiles::read(kCatalogue), expected);

    ModCfg reread;
    QCOMPARE(reread.m_mods, cfg.m_mods);
    QCOMPARE(reread.installedItemCount(p), 5);
    QVERIFY(indexMatchesScan(reread, {p}));
}

void TestModCfg::addItemsEqualsAddItemSequence_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("id");
    QTest::addColumn<Batch>("files");

    // Other mods hold p1 installed (twice) and p2 uninstalled.
    const QByteArray others =
        modElement("inst", "t1", "1", itemElement(1, "p1"), itemElement(2, "p1")) +
        modElement("gone", "t2", "0", itemElement(1, "p2"), QByteArray());
    const Batch mixed{file("p1", true),  file("p2", false), file("p3", false), file("p1", true),
                      file("p3", true),  file("p1", false), file("p4", true),  file("p3", false),
                      file("p2", false), file("p1", true)};

    QTest::newRow("new id") << catalogue(others) << "fresh" << mixed;
    QTest::newRow("existing installed id")
        << catalogue(others + modElement("mine", "t3", "1", itemElement(3, "p1"), QByteArray()))
        << "mine" << mixed;
    QTest::newRow("existing uninstalled id")
        << catalogue(others + modElement("mine", "t3", "0", QByteArray(), itemElement(1, "p3")))
        << "mine" << mixed;
    QTest::newRow("id of the installed other") << catalogue(others) << "inst" << mixed;
    QTest::newRow("id of the uninstalled other") << catalogue(others) << "gone" << mixed;
    QTest::newRow("empty catalogue, one path many times")
        << catalogue(QByteArray()) << "x"
        << Batch{file("p", false), file("p", true), file("p", false), file("p", true)};
    QTest::newRow("mod element without lists")
        << catalogue(others + "<mod id=\"bare\"><install>1</install></mod>") << "bare" << mixed;
    QTest::newRow("single file") << catalogue(others) << "inst" << Batch{file("p2", true)};
    QTest::newRow("id holding a quote") << catalogue(others) << "say \"hi\"" << mixed;
}

void TestModCfg::addItemsEqualsAddItemSequence()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, id);
    QFETCH(Batch, files);

    ScopedWorkingDir one;
    QVERIFY(TestFiles::write(kCatalogue, content));
    ModCfg bySequence;
    for (const RecordedFile &f : files) {
        QVERIFY(bySequence.addItem(id, f.path, f.replaced));
    }
    const QByteArray sequenceFile = TestFiles::read(kCatalogue);

    ScopedWorkingDir two;
    QVERIFY(TestFiles::write(kCatalogue, content));
    ModCfg byBatch;
    QVERIFY(byBatch.addItems(id, files));
    QByteArray batchFile = TestFiles::read(kCatalogue);

    // A new record is stamped with the time of the call; the two runs may
    // straddle a second.
    const QString sequenceTime = bySequence.m_mods.value(id).time;
    const QString batchTime = byBatch.m_mods.value(id).time;
    if (sequenceTime != batchTime) {
        QVERIFY(isCatalogueTime(sequenceTime) && isCatalogueTime(batchTime));
        batchFile.replace("<time>" + batchTime.toUtf8() + "</time>",
                          "<time>" + sequenceTime.toUtf8() + "</time>");
        byBatch.m_mods[id].time = sequenceTime;
    }
    QCOMPARE(byBatch.m_mods, bySequence.m_mods);
    QCOMPARE(batchFile, sequenceFile);
    QVERIFY(indexMatchesScan(byBatch, {"p1", "p2", "p3", "p4", "p"}));
    for (const QString p : {"p", "p1", "p2", "p3", "p4"}) {
        QCOMPARE(byBatch.installedItemCount(p), bySequence.installedItemCount(p));
    }
    ModCfg reread;
    byBatch.setGame("HoneySelect");
    QCOMPARE(reread.m_mods, byBatch.m_mods);
    QVERIFY(reread.m_mods.contains(id));
}

void TestModCfg::applyChangesRewritesLayers()
{
    ScopedWorkingDir dir;
    const QByteArray keep = modElement("keep", "t0", "1", QByteArray(), itemElement(1, "p"));
    const QByteArray lower = "    <mod id=\"lower\">\n"
                             "        <info>notes stay</info>\n"
                             "        <time>t1</time>\n"
                             "        <!--hand-made-->\n"
                             "        <replace>\n" +
                             itemElement(1, "q") +
                             "        </replace>\n"
                             "        <extra>kept</extra>\n"
                             "    </mod>\n";
    const QByteArray upper = modElement("upper", "t2", "1", itemElement(2, "q"), QByteArray());
    const QByteArray gone = modElement("gone", "t3", "0", QByteArray(), itemElement(1, "r"));
    QVERIFY(TestFiles::write(kCatalogue, catalogue(keep + lower + upper + gone)));
    ModCfg cfg;
    QCOMPARE(cfg.installedItemCount("q"), 2);

    Records changed;
    // Notes and time given here are ignored for a mod in the file.
    changed.insert("lower", record("ignored", "ignored", 0, {item(1, "q")}, {item(3, "s")}));
    changed.insert("upper", record("ignored", "ignored", 1, {item(1, "q")}, {}));
    changed.insert("new", record("new notes", "t9", 1, {}, {item(2, "q"), item(1, "z")}));
    QVERIFY(cfg.applyChanges(changed, {"gone", "absent"}));

    const QByteArray lowerAfter = "    <mod id=\"lower\">\n"
                                  "        <info>notes stay</info>\n"
                                  "        <time>t1</time>\n"
                                  "        <!--hand-made-->\n"
                                  "        <replace>\n" +
                                  itemElement(1, "q") +
                                  "        </replace>\n"
                                  "        <extra>kept</extra>\n"
                                  "        <install>0</install>\n"
                                  "        <add>\n" +
                                  itemElement(3, "s") +
                                  "        </add>\n"
                                  "    </mod>\n";
    const QByteArray expected = catalogue(
        keep + lowerAfter + modElement("upper", "t2", "1", itemElement(1, "q"), "") +
        modElement("new", "t9", "1", "", itemElement(2, "q") + itemElement(1, "z"), "new notes"));
    QCOMPARE(TestFiles::read(kCatalogue), expected);

    const Records after{{"keep", record("", "t0", 1, {}, {item(1, "p")})},
                        {"lower", record("notes stay", "t1", 0, {item(1, "q")}, {item(3, "s")})},
                        {"upper", record("", "t2", 1, {item(1, "q")}, {})},
                        {"new", record("new notes", "t9", 1, {}, {item(2, "q"), item(1, "z")})}};
    QCOMPARE(cfg.m_mods, after);
    QCOMPARE(cfg.installedItemCount("q"), 2);
    QCOMPARE(cfg.installedItemCount("r"), 0);
    QVERIFY(indexMatchesScan(cfg, {"r", "s"}));
    ModCfg reread;
    QCOMPARE(reread.m_mods, after);
}

void TestModCfg::brokenFileReadsEmptyAndStaysUntouched_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("cut off") << kExample.left(kExample.size() / 2);
    QTest::newRow("two roots") << QByteArray("<a/><b/>");
    QTest::newRow("not xml") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10);
    QTest::newRow("folder in its place") << QByteArray("<dir>");
}

void TestModCfg::brokenFileReadsEmptyAndStaysUntouched()
{
    QFETCH(QByteArray, content);
    ScopedWorkingDir dir;
    if (content == "<dir>") {
        QVERIFY(QDir().mkpath(kCatalogue));
    } else {
        QVERIFY(TestFiles::write(kCatalogue, content));
    }
    const auto before = TestFiles::snapshot(dir.path());

    ModCfg cfg;
    QVERIFY(cfg.m_mods.isEmpty());
    QVERIFY(!cfg.load());
    QVERIFY(!cfg.addItem("a", "p", true));
    QVERIFY(!cfg.addItems("a", {file("p", true), file("q", false)}));
    QVERIFY(!cfg.setInstall("a", false));
    QVERIFY(!cfg.setInfo("a", "x"));
    QVERIFY(!cfg.deleteMod("a"));
    QVERIFY(!cfg.applyChanges({{"a", record("", "t", 1, {}, {item(1, "p")})}}, {"b"}));
    QVERIFY(!cfg.create());
    QVERIFY(cfg.m_mods.isEmpty());
    QCOMPARE(cfg.installedItemCount("p"), 0);
    QCOMPARE(TestFiles::snapshot(dir.path()), before);
}

void TestModCfg::failedWriteKeepsPreviousFile_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("memoryAhead");
    QTest::newRow("addItem") << "addItem" << true;
    QTest::newRow("addItems") << "addItems" << true;
    QTest::newRow("setInstall") << "setInstall" << true;
    QTest::newRow("setInfo") << "setInfo" << false;
    QTest::newRow("deleteMod") << "deleteMod" << false;
    QTest::newRow("applyChanges") << "applyChanges" << false;
}

void TestModCfg::failedWriteKeepsPreviousFile()
{
#ifndef Q_OS_UNIX
    QSKIP("needs a file size limit to make writes fail");
#else
    QFETCH(QString, operation);
    QFETCH(bool, memoryAhead);
    ScopedWorkingDir dir;
    const QByteArray content =
        catalogue(modElement("a", "t", "1", itemElement(1, "p"), QByteArray(), "n") +
                  modElement("b", "t", "1", QByteArray(), itemElement(2, "p")));
    QVERIFY(TestFiles::write(kCatalogue, content));
    ModCfg cfg;
    const Records before = cfg.m_mods;
    bool result = true;
    {
        // Every write here makes the file longer, or is the same length as a
        // file that already exceeds this limit.
        FileSizeLimit limit(64);
        if (operation == "addItem") {
            result = cfg.addItem("a", "q", false);
        } else if (operation == "addItems") {
            result = cfg.addItems("a", {file("q", false), file("p", true)});
        } else if (operation == "setInstall") {
            result = cfg.setInstall("a", false);
        } else if (operation == "setInfo") {
            result = cfg.setInfo("a", "longer notes");
        } else if (operation == "deleteMod") {
            result = cfg.deleteMod("a");
        } else {
            result = cfg.applyChanges({{"a", record("", "", 0, {}, {item(1, "q")})}}, {"b"});
        }
    }
    QVERIFY(!result);
    QCOMPARE(TestFiles::read(kCatalogue), content);
    QCOMPARE(QDir("config").entryList(QDir::Files | QDir::Hidden), QStringList{"HoneySelect.xml"});
    QCOMPARE(cfg.m_mods != before, memoryAhead);
    QVERIFY(indexMatchesScan(cfg, {"p", "q"}));
#endif
}

void TestModCfg::textsXmlCannotHoldAreRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("control character") << QStringLiteral("bad\x01text");
    QTest::newRow("form feed") << QStringLiteral("page\fbreak");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + "x";
    QTest::newRow("non-character") << QString(QChar(0xFFFF));
}

void TestModCfg::textsXmlCannotHoldAreRefused()
{
    QFETCH(QString, text);
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(kCatalogue, kExample));
    ModCfg cfg;
    const Records before = cfg.m_mods;

    QVERIFY(!cfg.setInfo("SkinPack", text));
    QVERIFY(!cfg.addItem("SkinPack", text, false));
    QVERIFY(!cfg.addItem(text, "p", false));
    QVERIFY(!cfg.applyChanges({{"SkinPack", record("", "", 1, {item(1, text)}, {})}}));
    QVERIFY(!cfg.applyChanges({{"x", record(text, "", 1, {}, {})}}));
    QCOMPARE(TestFiles::read(kCatalogue), kExample);
    QCOMPARE(cfg.m_mods, before);

    // In a batch only the bad path fails; the others are recorded.
    QVERIFY(!cfg.addItems("SkinPack", {file("ok", false), file(text, true)}));
    QCOMPARE(cfg.m_mods.value("SkinPack").add.last(), item(1, "ok"));
    QCOMPARE(cfg.m_mods.value("SkinPack").add.size() + cfg.m_mods.value("SkinPack").replace.size(),
             3);
    ModCfg reread;
    QCOMPARE(reread.m_mods, cfg.m_mods);
}

void TestModCfg::rootTagOfGameName_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<QString>("root");
    QTest::newRow("plain") << "HoneySelect"
                           << "HoneySelect";
    QTest::newRow("punctuation inside") << "Play_Club-2.0"
                                        << "Play_Club-2.0";
    QTest::newRow("chinese") << "恋爱游戏"
                             << "恋爱游戏";
    QTest::newRow("japanese") << "ハニーセレクト"
                              << "ハニーセレクト";
    QTest::newRow("blank") << "Honey Select"
                           << "catalogue";
    QTest::newRow("leading digit") << "3D Custom Girl"
                                   << "catalogue";
    QTest::newRow("leading dot") << ".hack"
                                 << "catalogue";
    QTest::newRow("leading hyphen") << "-x"
                                    << "catalogue";
    QTest::newRow("ampersand") << "Tom&Jerry"
                               << "catalogue";
    QTest::newRow("fullwidth blank") << "恋爱\u3000游戏"
                                     << "catalogue";
    QTest::newRow("brackets") << "Game(2016)"
                              << "catalogue";
}

void TestModCfg::rootTagOfGameName()
{
    QFETCH(QString, game);
    QFETCH(QString, root);
    ScopedWorkingDir dir;
    QVERIFY(QDir().mkdir("config"));
    ModCfg cfg;
    cfg.setGame(game);
    QCOMPARE(cfg.m_cfgPath, QStringLiteral("./config/%1.xml").arg(game));
    QVERIFY(cfg.create());
    QCOMPARE(TestFiles::read(cfg.m_cfgPath), catalogue(QByteArray(), root.toUtf8()));

    QVERIFY(cfg.addItem("m", "p", true));
    ModCfg other;
    other.setGame(game);
    QCOMPARE(other.m_mods, cfg.m_mods);
    QCOMPARE(other.m_mods.size(), 1);
}

void TestModCfg::createNeverReplacesAFile()
{
    ScopedWorkingDir dir;
    ModCfg cfg;
    QVERIFY(!cfg.create()); // no config folder, and the catalogue does not make one
    QVERIFY(!QDir("config").exists());

    QVERIFY(TestFiles::write(kCatalogue, kExample));
    QVERIFY(cfg.exists());
    QVERIFY(!cfg.create());
    QCOMPARE(TestFiles::read(kCatalogue), kExample);
}

void TestModCfg::recordLifecycle()
{
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(kCatalogue, kExample));
    ModCfg cfg;
    QVERIFY(cfg.setInfo("nobody", "x"));
    QVERIFY(!cfg.setInstall("nobody", true));
    QVERIFY(!cfg.deleteMod("nobody"));
    QCOMPARE(TestFiles::read(kCatalogue), kExample);

    QVERIFY(cfg.setInstall("SkinPack", false));
    QVERIFY(cfg.addItem("SkinPack", "D:\\x", true));
    QCOMPARE(cfg.m_mods.value("SkinPack").install, 0);
    QCOMPARE(cfg.m_mods.value("SkinPack").time, QStringLiteral("2016-5-3 09:07:05"));

    QVERIFY(cfg.deleteMod("SkinPack"));
    QVERIFY(cfg.m_mods.isEmpty());
    QCOMPARE(TestFiles::read(kCatalogue), catalogue(QByteArray()));
    QVERIFY(cfg.addItem("SkinPack", "D:\\y", false));
    const ModRecord again = cfg.m_mods.value("SkinPack");
    QCOMPARE(again.install, 1);
    QVERIFY(again.time != QStringLiteral("2016-5-3 09:07:05") && isCatalogueTime(again.time));
    QCOMPARE(again.add, QList<FileItem>{item(1, "D:\\y")});

    // Switching games empties memory and the index.
    QVERIFY(TestFiles::write("config/PlayClub.xml", catalogue(QByteArray(), "PlayClub")));
    cfg.setGame("PlayClub");
    QVERIFY(cfg.m_mods.isEmpty());
    QCOMPARE(cfg.installedItemCount("D:\\y"), 0);
}

void TestModCfg::recordMissingFromMemoryIsReadFromFile()
{
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(kCatalogue, "locked"));
    ModCfg cfg;
    QVERIFY(cfg.m_mods.isEmpty());
    // The file becomes readable after the failed load: changes must not
    // invent an empty, uninstalled record for a mod the file holds.
    QVERIFY(TestFiles::write(kCatalogue, kExample));
    QVERIFY(
        cfg.addItem("SkinPack", "D:\\Games\\HoneySelect\\abdata\\chara\\body_00.unity3d", true));
    const ModRecord skin = cfg.m_mods.value("SkinPack");
    QCOMPARE(skin.time, QStringLiteral("2016-5-3 09:07:05"));
    QCOMPARE(skin.install, 1);
    QCOMPARE(skin.replace.size(), 2);
    QCOMPARE(skin.replace.last().order, 2);
    ModCfg reread;
    QCOMPARE(reread.m_mods, cfg.m_mods);
}

void TestModCfg::declarationIsWrittenInOneForm_data()
{
    QTest::addColumn<QByteArray>("content");
    const QByteArray body = "<HoneySelect><mod id=\"a\"><info>caf\xe9</info></mod></HoneySelect>";
    QTest::newRow("single quotes") << QByteArray("<?xml version='1.0' encoding='UTF-8'?>") +
                                          QString::fromLatin1(body).toUtf8();
    QTest::newRow("no declaration") << QString::fromLatin1(body).toUtf8();
    QTest::newRow("latin-1") << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>") +
                                    body;
}

void TestModCfg::declarationIsWrittenInOneForm()
{
    QFETCH(QByteArray, content);
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(kCatalogue, content));
    ModCfg cfg;
    QCOMPARE(cfg.m_mods.value("a").info, QStringLiteral("café"));
    QVERIFY(cfg.setInstall("a", true));
    QCOMPARE(
        TestFiles::read(kCatalogue),
        catalogue("    <mod id=\"a\">\n        <info>café</info>\n        <install>1</install>\n"
                  "    </mod>\n"));
}

void TestModCfg::fileChangedByAnotherProcessIsReRead_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<bool>("sameTime");
    QTest::newRow("another mod recorded")
        << QByteArray("</HoneySelect>")
        << modElement("B", "t", "1", itemElement(2, "p"), QByteArray()) + "</HoneySelect>" << false;
    // Same size, and the modification time put back: only the content tells.
    QTest::newRow("uninstalled, same size and time")
        << QByteArray("<install>1</install>") << QByteArray("<install>0</install>") << true;
    QTest::newRow("edited by hand, with a comment")
        << QByteArray("<info/>") << QByteArray("<info>hand</info>\n        <!--c-->") << false;
}

void TestModCfg::fileChangedByAnotherProcessIsReRead()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(bool, sameTime);
    ScopedWorkingDir dir;
    QVERIFY(TestFiles::write(
        kCatalogue, catalogue(modElement("A", "t", "1", QByteArray(), itemElement(1, "p")))));
    ModCfg cfg;
    QVERIFY(cfg.addItem("mine", "q", false));
    const QDateTime written = QFileInfo(kCatalogue).lastModified();

    QByteArray changed = TestFiles::read(kCatalogue);
    changed.replace(changed.indexOf(from), from.size(), to);
    QVERIFY(TestFiles::write(kCatalogue, changed));
    if (sameTime) {
        QFile file(kCatalogue);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
    }

    QVERIFY(cfg.setInstall("mine", false));
    ModCfg reread;
    QCOMPARE(cfg.m_mods, reread.m_mods);
    QCOMPARE(cfg.m_mods.value("mine").install, 0);
    QVERIFY(TestFiles::read(kCatalogue).contains(to));
    QVERIFY(indexMatchesScan(cfg, {"p", "q"}));
}

QTEST_GUILESS_MAIN(TestModCfg)
#include "tst_modcfg.moc"
