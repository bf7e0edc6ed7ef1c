#include "catalogue/modcfg.h"
#include "support/testsupport.h"

#include <QDir>
#include <QtTest>

#include <functional>

// Every change of the catalogue tells how it went in one list of codes, while
// its bool result keeps the meaning its callers rely on.
class TestCatalogueChange : public QObject
{
    Q_OBJECT

private slots:
    void everyChangeTellsHowItWent_data();
    void everyChangeTellsHowItWent();
};

namespace {

using Change = std::function<bool(ModCfg &)>;

const QByteArray kHandWritten = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<HoneySelect>\n"
                                "  <!-- kept by hand -->\n"
                                "  <mod id=\"A\"><info/><time/><install>1</install>"
                                "<replace/><add/></mod>\n"
                                "</HoneySelect>\n";

} // namespace

Q_DECLARE_METATYPE(CatalogueChange)
Q_DECLARE_METATYPE(Change)

void TestCatalogueChange::everyChangeTellsHowItWent_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: a new catalogue written by create()
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("result");
    QTest::addColumn<CatalogueChange>("code");
    QTest::addColumn<QString>("detail");

    const Change info = [](ModCfg &c) { return c.setInfo("Nope", "notes"); };
    const Change install = [](ModCfg &c) { return c.setInstall("Nope", false); };
    const Change remove = [](ModCfg &c) { return c.deleteMod("Nope"); };
    const Change add = [](ModCfg &c) { return c.addItem("A", "G", true); };
    const Change badPath = [](ModCfg &c) {
        return c.addItems("A", {{QString("G"), true}, {QString("bad\x01"), false}});
    };
    for (const QByteArray &file : {QByteArray(), kHandWritten}) {
        const char *form = file.isEmpty() ? "canonical" : "by hand";
        QTest::addRow("%s: notes of an unknown mod", form)
            << file << info << true << CatalogueChange::UnknownMod << "Nope";
        QTest::addRow("%s: install flag of an unknown mod", form)
            << file << install << false << CatalogueChange::UnknownMod << "Nope";
        QTest::addRow("%s: removal of an unknown mod", form)
            << file << remove << false << CatalogueChange::UnknownMod << "Nope";
        QTest::addRow("%s: one file", form) << file << add << true << CatalogueChange::Done << "";
        QTest::addRow("%s: a batch with a path XML cannot hold", form)
            << file << badPath << false << CatalogueChange::NotXmlText << "bad\x01";
    }
    QTest::newRow("notes XML cannot hold")
        << QByteArray() << Change([](ModCfg &c) { return c.setInfo("A", "\x02"); }) << false
        << CatalogueChange::NotXmlText << "\x02";
    QTest::newRow("a file that is not XML")
        << QByteArray("not xml") << add << false << CatalogueChange::Unreadable
        << "config/HoneySelect.xml";
    QTest::newRow("a catalogue over another")
        << QByteArray("not xml") << Change([](ModCfg &c) { return c.create(); }) << false
        << CatalogueChange::FileExists << "config/HoneySelect.xml";
}

void TestCatalogueChange::everyChangeTellsHowItWent()
{
    QFETCH(QByteArray, file);
    QFETCH(Change, change);
    QFETCH(bool, result);
    QFETCH(CatalogueChange, code);
    QFETCH(QString, detail);
    ScopedWorkingDir dir;
    QDir(dir.path()).mkpath("config");
    ModCfg catalogue(QStringLiteral("config"));
    if (file.isEmpty()) {
        QVERIFY(catalogue.create());
        QVERIFY(catalogue.addItem("A", "F", false));
    } else {
        QVERIFY(TestFiles::write(dir.filePath("config/HoneySelect.xml"), file));
        catalogue.load();
    }
    QCOMPARE(change(catalogue), result);
    QCOMPARE(catalogue.lastChange().code(), code);
    QCOMPARE(catalogue.lastChange().ok(), code == CatalogueChange::Done);
    QCOMPARE(catalogue.lastChange().detail(), detail);
}

QTEST_GUILESS_MAIN(TestCatalogueChange)
#include "tst_cataloguechange.moc"
