#include "support/testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// The sample game and mods under examples/ are committed together with the
// script that writes them; a newcomer's walkthrough relies on their overlaps.
class TestExamples : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void committedSampleIsWhatTheScriptWrites();
    void scriptRestoresItsFilesAndKeepsOthers();
    void modsOverlap_data();
    void modsOverlap();
    void packedModIsOneAbdataFolder();
    void everyCardFolderHoldsDistinctPictures();

private:
    // Runs the generator into `output`; returns its standard output.
    QByteArray generate(const QString &output);
    // The files below examples/<folder>, as game-relative paths: `prefix` is
    // where the folder lands in the game.
    QSet<QString> gameFiles(const QString &folder, const QString &prefix = QString()) const;

    QString m_examples;
    QString m_script;
    QString m_python;
};

void TestExamples::initTestCase()
{
    m_examples = QFINDTESTDATA("../examples");
    m_script = QFINDTESTDATA("../scripts/make-examples.py");
    QVERIFY2(!m_examples.isEmpty() && !m_script.isEmpty(), "examples/ or its script not found");
    m_python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    QVERIFY2(!m_python.isEmpty(), "python3 is needed to run scripts/make-examples.py");
}

QByteArray TestExamples::generate(const QString &output)
{
    QProcess process;
    process.start(m_python, {m_script, output});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning() << process.readAllStandardError();
        return QByteArray();
    }
    return process.readAllStandardOutput();
}

QSet<QString> TestExamples::gameFiles(const QString &folder, const QString &prefix) const
{
    QSet<QString> files;
    const QDir root(m_examples + QLatin1Char('/') + folder);
    QDirIterator it(root.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files.insert(prefix + root.relativeFilePath(it.next()));
    }
    return files;
}

void TestExamples::committedSampleIsWhatTheScriptWrites()
{
    QTemporaryDir out;
    QVERIFY(!generate(out.path()).isEmpty());
    const QMap<QString, QByteArray> written = TestFiles::snapshot(out.path());
    const QMap<QString, QByteArray> committed = TestFiles::snapshot(m_examples);
    QCOMPARE(committed.keys(), written.keys());
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        QVERIFY2(committed.value(it.key()) == it.value(), qPrintable(it.key()));
    }
    qint64 bytes = 0;
    for (const QByteArray &content : committed) {
        bytes += content.size();
    }
    QVERIFY2(bytes < 200 * 1024, "the sample should stay small");
}

void TestExamples::scriptRestoresItsFilesAndKeepsOthers()
{
    QTemporaryDir out;
    QVERIFY(!generate(out.path()).isEmpty());
    const QMap<QString, QByteArray> pristine = TestFiles::snapshot(out.path());
    const QString owned = out.filePath(QStringLiteral("game/abdata/chara/body_00.unity3d"));
    const QString mine = out.filePath(QStringLiteral("game/UserData/cap/my_own.png"));
    QVERIFY(TestFiles::write(owned, "changed by hand"));
    QVERIFY(TestFiles::write(mine, "a picture of mine"));

    const QByteArray report = generate(out.path());

    QVERIFY2(report.contains("1 written"), report.constData());
    QVERIFY2(report.contains("game/UserData/cap/my_own.png"), report.constData());
    QCOMPARE(TestFiles::read(mine), QByteArray("a picture of mine"));
    QMap<QString, QByteArray> after = TestFiles::snapshot(out.path());
    after.remove(QStringLiteral("game/UserData/cap/my_own.png"));
    QCOMPARE(after, pristine);
}

void TestExamples::modsOverlap_data()
{
    // Game-relative files of each side; the packed mod lands in abdata/.
    QTest::addColumn<QString>("upper");
    QTest::addColumn<QString>("upperPrefix");
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QString>("lowerPrefix");
    const QString none;
    const QString abdata = QStringLiteral("abdata/");
    QTest::newRow("SoftSkin over the game") << "mods/SoftSkin" << none << "game" << none;
    QTest::newRow("SoftSkinHD over SoftSkin")
        << "mods/SoftSkinHD" << none << "mods/SoftSkin" << none;
    QTest::newRow("SoftSkinHD over the game") << "mods/SoftSkinHD" << none << "game" << none;
    QTest::newRow("StudioLights over SoftSkin")
        << "mods/StudioLights/abdata" << abdata << "mods/SoftSkin" << none;
    QTest::newRow("StudioLights over SoftSkinHD")
        << "mods/StudioLights/abdata" << abdata << "mods/SoftSkinHD" << none;
    QTest::newRow("StudioLights over the game")
        << "mods/StudioLights/abdata" << abdata << "game" << none;
}

void TestExamples::modsOverlap()
{
    QFETCH(QString, upper);
    QFETCH(QString, upperPrefix);
    QFETCH(QString, lower);
    QFETCH(QString, lowerPrefix);
    const QSet<QString> upperFiles = gameFiles(upper, upperPrefix);
    QVERIFY(!upperFiles.isEmpty());
    QVERIFY(upperFiles.intersects(gameFiles(lower, lowerPrefix)));
    // Each mod also brings a file of its own, so that uninstalling it deletes one.
    QVERIFY(!gameFiles(QStringLiteral("game")).contains(upperFiles));
}

void TestExamples::packedModIsOneAbdataFolder()
{
    const QDir packed(m_examples + QStringLiteral("/mods/StudioLights"));
    QCOMPARE(packed.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("abdata")});
}

void TestExamples::everyCardFolderHoldsDistinctPictures()
{
    // The folders that the card browser lists for HoneySelect.
    const QStringList folders = {"UserData/chara/male", "UserData/chara/female",
                                 "UserData/background", "UserData/cap",
                                 "UserData/studio",     "UserData/studioneo/scene"};
    QList<QImage> seen;
    for (const QString &folder : folders) {
        const QDir dir(m_examples + QStringLiteral("/game/") + folder);
        const QStringList cards = dir.entryList({QStringLiteral("*.png")}, QDir::Files);
        QVERIFY2(!cards.isEmpty(), qPrintable(folder));
        for (const QString &card : cards) {
            const QImage image(dir.filePath(card));
            QVERIFY2(!image.isNull(), qPrintable(card));
            QVERIFY2(!seen.contains(image), qPrintable(card + " looks like another card"));
            seen.append(image);
        }
    }
}

QTEST_MAIN(TestExamples)
#include "tst_examples.moc"
