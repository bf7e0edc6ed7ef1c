// Times the user-data tab on large folders: listing a category of 5,000 PNG
// cards (the card lister alone and the whole tab click in the window) and the
// preview of a 4,000 x 4,000 PNG, each against a baseline measured in the same
// run. Prints milliseconds and ratios.

#include "config/gameinfo.h"
#include "gui/cardpreview.h"
#include "gui/mainwindow.h"
#include "userdata/pngcardlister.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QRandomGenerator>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

QTextStream out(stdout);

// Best of several runs, in milliseconds.
double bestOf(int runs, const std::function<void()> &work)
{
    double best = 1e18;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        best = std::min(best, clock.nsecsElapsed() / 1e6);
    }
    return best;
}

void report(const char *what, double ms, double baselineMs)
{
    out << qSetFieldWidth(46) << Qt::left << what << qSetFieldWidth(0)
        << QString::number(ms, 'f', 1) << " ms  (x" << QString::number(ms / baselineMs, 'f', 2)
        << " of baseline)" << Qt::endl;
}

// A card-like picture: smooth colour ramps with noise, so that it neither
// compresses to nothing nor decodes unrealistically fast.
QImage makePicture(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    QRandomGenerator random(42);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = int(random.bounded(24));
            line[x] = qRgba((x * 255 / width + noise) & 0xff, (y * 255 / height + noise) & 0xff,
                            ((x + y) / 32 + noise) & 0xff, 255);
        }
    }
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    QTemporaryDir work;
    if (!work.isValid()) {
        out << "cannot create a temporary folder" << Qt::endl;
        return 1;
    }
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path());

    // A game with 5,000 cards (and a few files that are not cards) in the
    // female character folder.
    const QString game = work.filePath(QStringLiteral("game")) + QLatin1Char('/');
    const QString female = game + QStringLiteral("UserData/chara/female");
    QDir().mkpath(female);
    QByteArray smallPng;
    {
        QFile probe(work.filePath(QStringLiteral("probe.png")));
        makePicture(252, 352).save(&probe, "PNG");
        probe.close();
        probe.open(QIODevice::ReadOnly);
        smallPng = probe.readAll();
    }
    const int cardCount = 5000;
    for (int i = 0; i < cardCount; ++i) {
        QFile card(QStringLiteral("%1/charaF_%2.png").arg(female).arg(i, 5, 10, QLatin1Char('0')));
        card.open(QIODevice::WriteOnly);
        card.write(smallPng);
    }
    for (int i = 0; i < 50; ++i) {
        QFile other(QStringLiteral("%1/other_%2.jpg").arg(female).arg(i));
        other.open(QIODevice::WriteOnly);
    }
    {
        QSettings settings(GameInfo::settingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Global/Select"), QStringLiteral("HoneySelect"));
        settings.setValue(QStringLiteral("HoneySelect/GamePath"), game);
    }

    out << "Listing " << cardCount << " PNG cards" << Qt::endl;
    const double rawList = bestOf(5, [&] {
        const QStringList names = QDir(female).entryList(QDir::Files, QDir::NoSort);
        Q_UNUSED(names);
    });
    out << qSetFieldWidth(46) << Qt::left << "baseline: QDir::entryList, unsorted"
        << qSetFieldWidth(0) << QString::number(rawList, 'f', 1) << " ms" << Qt::endl;
    int listed = 0;
    const double lister = bestOf(5, [&] { listed = PngCardLister::list(female).size(); });
    report("PngCardLister::list", lister, rawList);

    double tabClick = 0;
    int shown = 0;
    {
        MainWindow window;
        auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        auto *list = window.findChild<QListWidget *>(QStringLiteral("listWidget"));
        window.show();
        tabs->setCurrentIndex(1);
        app.processEvents();
        tabClick = bestOf(5, [&] {
            emit tabs->tabBarClicked(1);
            app.processEvents();
        });
        shown = list->count();
    }
    report("tab click: combo + file list in the window", tabClick, rawList);
    out << "cards listed: " << listed << ", shown: " << shown
        << (tabClick < 1000 ? "  (target < 1000 ms: met)" : "  (target < 1000 ms: MISSED)")
        << Qt::endl
        << Qt::endl;

    out << "Preview of a 4000 x 4000 PNG into the 561 x 481 preview" << Qt::endl;
    const QString big = work.filePath(QStringLiteral("big.png"));
    makePicture(4000, 4000).save(big, "PNG");
    const QSize box(561, 481);
    QSize decodedSize;
    const double fullDecode = bestOf(3, [&] {
        QPixmap pixmap(big);
        decodedSize = pixmap.scaled(box, Qt::KeepAspectRatio, Qt::FastTransformation).size();
    });
    out << qSetFieldWidth(46) << Qt::left << "baseline: QPixmap load, then scaled"
        << qSetFieldWidth(0) << QString::number(fullDecode, 'f', 1) << " ms" << Qt::endl;
    QSize previewSize;
    const double preview = bestOf(3, [&] { previewSize = CardPreview::load(big, box).size(); });
    report("CardPreview::load (scaled while read)", preview, fullDecode);
    out << "sizes: baseline " << decodedSize.width() << "x" << decodedSize.height() << ", preview "
        << previewSize.width() << "x" << previewSize.height() << Qt::endl;

    QDir::setCurrent(previous);
    return 0;
}
