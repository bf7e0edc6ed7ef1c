// Takes the screenshots of the README from the real program: the sample game
// and mods of examples/ are installed through the window, and each view is
// grabbed once it shows what a user would see. Run under Xvfb by
// scripts/take-screenshots.sh.

#include "config/languagesetting.h"
#include "gui/cardlibrarymodel.h"
#include "gui/cardlibraryview.h"
#include "gui/mainwindow.h"
#include "config/translationloader.h"
#include "support/modalanswerer.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFont>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

static bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + '/' + QDir(from).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(file, target)) {
            return false;
        }
    }
    return true;
}

static bool save(QWidget *widget, const QString &path)
{
    QApplication::processEvents();
    const bool saved = widget->grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

static void pressMod(QTreeWidget *mods, const QString &name)
{
    QTreeWidgetItem *item = mods->findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    if (!item) {
        return;
    }
    const QPoint centre = mods->visualItemRect(item).center();
    QTest::mousePress(mods->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseRelease(mods->viewport(), Qt::LeftButton, {}, centre);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The size the games' users see on Windows, where the fixed form was drawn.
    QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));
    TranslationLoader::apply(LanguageSetting::chinese());
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <examples folder> <output folder>\n", argv[0]);
        return 2;
    }
    const QString examples = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString output = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(output);

    ScopedWorkingDir work;
    const QString game = work.filePath("game");
    if (!copyTree(examples + "/game", game)) {
        std::fprintf(stderr, "cannot copy the sample game\n");
        return 1;
    }
    TestFiles::write(work.filePath("Veldane.ini"),
                     "[Global]\nSelect=HoneySelect\n[HoneySelect]\nGamePath=" +
                         QFile::encodeName(QDir::toNativeSeparators(game) + QDir::separator()) +
                         "\n");

    ModalAnswerer answerer;
    MainWindow window;
    window.show();
    QTest::qWait(200);

    const auto install = [&](const QString &folder, const QString &name) {
        answerer.expect([name](QWidget *dialog) {
            dialog->findChild<QLineEdit *>("lineEdit")->setText(name);
            QPushButton *ok = dialog->findChild<QPushButton *>("pushButton");
            QTimer::singleShot(0, ok, &QPushButton::click);
        });
        answerer.expect(ModalAnswerer::pressButton(QMessageBox::Ok));
        window.installModFolder(QDir::toNativeSeparators(examples + "/mods/" + folder));
        answerer.waitUntilAnswered();
    };
    install("SoftSkin", "SoftSkin");
    install("SoftSkinHD", "SoftSkinHD");
    install("StudioLights/abdata", "StudioLights");

    auto *mods = window.findChild<QTreeWidget *>("treeWidget");
    pressMod(mods, "SoftSkinHD");
    for (QAction *action : window.findChildren<QAction *>()) {
        if (action->text() == QStringLiteral("卸载")) {
            answerer.expect(ModalAnswerer::pressButton(QMessageBox::Ok));
            action->trigger();
            answerer.waitUntilAnswered();
        }
    }

    pressMod(mods, "SoftSkin");
    window.findChild<QTextEdit *>("textEdit")
        ->setPlainText(QStringLiteral("皮肤更柔和，和 StudioLights 一起用。"));
    bool ok = save(&window, output + "/main-window.png");

    // The relations dialog of the file that all three mods wrote.
    auto *files = window.findChild<QTreeWidget *>("treeWidget2");
    const QList<QTreeWidgetItem *> rows = files->findItems("skin_extra.unity3d", Qt::MatchExactly);
    if (!rows.isEmpty()) {
        answerer.expect([&](QWidget *dialog) {
            ok = save(dialog, output + "/relations.png") && ok;
            static_cast<QDialog *>(dialog)->reject();
        });
        const QPoint centre = files->visualItemRect(rows.first()).center();
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, centre);
        answerer.waitUntilAnswered();
    }

    // The card browser with a preview.
    auto *tabs = window.findChild<QTabWidget *>("tabWidget");
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    auto *cards = window.findChild<QListWidget *>("listWidget");
    if (cards->count() > 0) {
        const QPoint centre = cards->visualItemRect(cards->item(0)).center();
        QTest::mouseClick(cards->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(cards->viewport(), Qt::LeftButton, {}, centre);
    }
    ok = save(&window, output + "/png-tab.png") && ok;

    // The card library: every card of the category's folders as a thumbnail.
    auto *library = window.findChild<CardLibraryView *>("cardLibrary");
    window.findChild<QPushButton *>("buttonThumbnails")->click();
    library->findChild<QCheckBox *>("checkBoxSubfolders")->setChecked(true);
    tabs->setCurrentIndex(1);
    window.findChild<QComboBox *>("comboBox")->setCurrentText(QStringLiteral("女人"));
    const bool thumbnailsShown = QTest::qWaitFor([&] {
        const int rows = library->model()->rowCount();
        return !library->isBusy() && rows > 0 && library->model()->isIdle() &&
               library->model()->hasThumbnail(rows - 1);
    });
    if (!thumbnailsShown) {
        std::fprintf(stderr, "the thumbnails did not come\n");
        ok = false;
    }
    QListView *thumbnails = library->listView();
    const QModelIndex first = library->model()->index(0, 0);
    QTest::mouseClick(thumbnails->viewport(), Qt::LeftButton, {},
                      thumbnails->visualRect(first).center());
    ok = save(&window, output + "/cards.png") && ok;
    window.findChild<QPushButton *>("buttonThumbnails")->click();

    // The check of every installed mod after a game update rewrote one of
    // StudioLights' files and deleted another.
    TestFiles::write(game + "/abdata/studio/map_00.unity3d", "Version: game update 1.1\n");
    QFile::remove(game + "/abdata/studio/light_00.unity3d");
    pressMod(mods, "HoneySelect");
    answerer.expect([&](QWidget *dialog) {
        ok = save(dialog, output + "/verify.png") && ok;
        static_cast<QDialog *>(dialog)->reject();
    });
    for (QAction *action : window.findChildren<QAction *>()) {
        if (action->text() == QStringLiteral("检查文件")) {
            action->trigger();
        }
    }
    answerer.waitUntilAnswered();

    // The settings dialog.
    answerer.expect([&](QWidget *dialog) {
        ok = save(dialog, output + "/settings.png") && ok;
        static_cast<QDialog *>(dialog)->reject();
    });
    window.findChild<QPushButton *>("buttonSet")->click();
    answerer.waitUntilAnswered();

    // The main window once more, in English, as a user who chose it in the
    // settings sees it after the next start.
    TranslationLoader::apply(LanguageSetting::english());
    {
        MainWindow english;
        english.show();
        QTest::qWait(200);
        pressMod(english.findChild<QTreeWidget *>("treeWidget"), "SoftSkin");
        english.findChild<QTextEdit *>("textEdit")
            ->setPlainText(QStringLiteral("Softer skin; goes well with StudioLights."));
        ok = save(&english, output + "/main-window-en.png") && ok;
    }

    if (!answerer.unexpected().isEmpty()) {
        std::fprintf(stderr, "unexpected windows: %s\n",
                     qPrintable(answerer.unexpected().join(", ")));
        ok = false;
    }
    return ok ? 0 : 1;
}
