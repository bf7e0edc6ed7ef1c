#include "gui/cardpreview.h"
#include "support/testsupport.h"
#include "userdata/pngcardlister.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
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
    QVERIFY(QFile::link(folder + "/a.png", folder + "/g.png"));

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

QTEST_MAIN(TestUserData)
#include "tst_userdata.moc"
