// The interface languages: English through the embedded translation, Qt's own
// translations for the standard buttons, a .ts that covers every source text,
// and no text cut off in any window or dialog in either language.

#include "config/foldername.h"
#include "config/languagesetting.h"
#include "config/translationloader.h"
#include "deploy/commandmessages.h"
#include "gui/dialog.h"
#include "gui/mainwindow.h"
#include "gui/orderdlg.h"
#include "gui/progressdialog.h"
#include "gui/setdialog.h"
#include "gui/setgamedlg.h"
#include "support/modalanswerer.h"
#include "support/scopedwineprefix.h"
#include "support/testsupport.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTabWidget>
#include <QTranslator>
#include <QTreeWidget>
#include <QXmlStreamReader>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Other fonts than the test font draw wider Latin letters (DejaVu Sans: 12 %
// wider) and need taller lines (Noto Sans CJK: 18 % taller; Microsoft YaHei
// less): a text must fit with this room.
constexpr double widthMargin = 1.15;
constexpr double heightMargin = 1.25;

struct Message
{
    QString translation;
    QString type;
};

// (context, source, comment) of every message of a .ts file.
using MessageKey = std::tuple<QString, QString, QString>;

QMap<MessageKey, Message> readTs(const QString &path, QString *error)
{
    QMap<MessageKey, Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    QString comment;
    Message message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
                messages.insert({context, source, comment}, message);
            }
            continue;
        }
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            source.clear();
            comment.clear();
            message = Message();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("comment")) {
            comment = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            message.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    if (xml.hasError()) {
        *error = xml.errorString();
    }
    return messages;
}

QStringList placeholders(const QString &text)
{
    QStringList found;
    auto it = QRegularExpression(QStringLiteral("%(\\d+|n)")).globalMatch(text);
    while (it.hasNext()) {
        found << it.next().captured();
    }
    found.sort();
    found.removeDuplicates();
    return found;
}

QString describe(const QWidget *widget, const QString &text)
{
    const QSize needed(widget->fontMetrics().horizontalAdvance(text),
                       widget->fontMetrics().height());
    QString path = widget->objectName();
    for (const QWidget *parent = widget->parentWidget(); parent; parent = parent->parentWidget()) {
        path = parent->objectName() + QLatin1Char('/') + path;
    }
    return path + QStringLiteral(" \"") + text +
           QStringLiteral("\" needs %1x%2, has %3x%4")
               .arg(needed.width())
               .arg(needed.height())
               .arg(widget->width())
               .arg(widget->height());
}

bool fits(const QFontMetrics &metrics, const QString &text, int width, int height)
{
    return metrics.horizontalAdvance(text) * widthMargin <= width &&
           metrics.height() * heightMargin <= height;
}

// Every label, button, group title and combo entry below root whose text would
// not fit its widget, with its widget's path.
QStringList clippedTexts(QWidget *root)
{
    QStringList clipped;
    for (QLabel *label : root->findChildren<QLabel *>()) {
        if (label->text().isEmpty() || !label->isVisibleTo(root)) {
            continue;
        }
        const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                          -label->margin(), -label->margin());
        bool ok;
        if (label->wordWrap()) {
            const int width = int(room.width() / widthMargin);
            const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, width, 10000),
                                                                   Qt::TextWordWrap, label->text());
            ok = needed.height() * heightMargin <= room.height();
        } else {
            const QStringList lines = label->text().split(QLatin1Char('\n'));
            ok = true;
            for (const QString &line : lines) {
                ok = ok && fits(label->fontMetrics(), line, room.width(),
                                room.height() / int(lines.size()));
            }
        }
        if (!ok) {
            clipped << describe(label, label->text());
        }
    }
    for (QAbstractButton *button : root->findChildren<QAbstractButton *>()) {
        if (button->text().isEmpty() || !button->isVisibleTo(root) ||
            !qobject_cast<QPushButton *>(button)) {
            continue;
        }
        // Fusion and the Windows styles draw the label anywhere inside the frame.
        const int padding = 2 * button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 4;
        QString text = button->text();
        text.remove(QLatin1Char('&'));
        if (!fits(button->fontMetrics(), text, button->width() - padding, button->height())) {
            clipped << describe(button, text);
        }
    }
    for (QGroupBox *group : root->findChildren<QGroupBox *>()) {
        if (!fits(group->fontMetrics(), group->title(), group->width() - 20, group->height())) {
            clipped << describe(group, group->title());
        }
    }
    for (QComboBox *combo : root->findChildren<QComboBox *>()) {
        // The arrow and the frame take about the height of the box.
        const int room = combo->width() - combo->height() - 8;
        for (int i = 0; i < combo->count(); ++i) {
            if (!fits(combo->fontMetrics(), combo->itemText(i), room, combo->height())) {
                clipped << describe(combo, combo->itemText(i));
            }
        }
    }
    return clipped;
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void interfaceSpeaksTheChosenLanguage_data();
    void interfaceSpeaksTheChosenLanguage();
    void everySourceTextHasAnEnglishTranslation();
    void noTextIsClipped_data();
    void noTextIsClipped();

private:
    static void writeSettings(const ScopedWorkingDir &dir, const QByteArray &language);
};

void TestLanguage::initTestCase()
{
    // The default Chinese font of Debian, at the size of the Windows default.
    QVERIFY2(QFontDatabase().families().contains(QStringLiteral("WenQuanYi Micro Hei")),
             "fonts-wqy-microhei is missing");
    QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));
}

void TestLanguage::cleanup()
{
    TranslationLoader::apply(LanguageSetting::chinese());
}

void TestLanguage::writeSettings(const ScopedWorkingDir &dir, const QByteArray &language)
{
    QDir(dir.path()).mkpath("game/UserData/chara");
    TestFiles::write(dir.filePath("Veldane.ini"),
                     "[Global]\nSelect=HoneySelect\nLanguage=" + language +
                         "\n[HoneySelect]\nGamePath=" + QFile::encodeName(dir.filePath("game/")) +
                         "\n");
}

void TestLanguage::interfaceSpeaksTheChosenLanguage_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("installTip");
    QTest::addColumn<QString>("pathHeader");
    QTest::addColumn<QString>("settingsTitle");
    QTest::addColumn<QString>("languageNote");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("cliError"); // veldane-cli loads the same translation
    QTest::newRow("not set") << QByteArray() << "安装MOD"
                             << "路径"
                             << "设置"
                             << "下次启动时生效"
                             << "提示|请补充相关参数！"
                             << "mod名不能以点或空格结尾"
                             << "缺少命令";
    QTest::newRow("unknown") << QByteArray("fr") << "安装MOD"
                             << "路径"
                             << "设置"
                             << "下次启动时生效"
                             << "提示|请补充相关参数！"
                             << "mod名不能以点或空格结尾"
                             << "缺少命令";
    QTest::newRow("English") << QByteArray("en") << "Install a mod"
                             << "Path"
                             << "Settings"
                             << "Applies at the next start"
                             << "Notice|Please fill in both fields."
                             << "The mod name must not end with a dot or a space."
                             << "No command given";
    QTest::newRow("English typed by hand") << QByteArray("EN") << "Install a mod"
                                           << "Path"
                                           << "Settings"
                                           << "Applies at the next start"
                                           << "Notice|Please fill in both fields."
                                           << "The mod name must not end with a dot or a space."
                                           << "No command given";
}

void TestLanguage::interfaceSpeaksTheChosenLanguage()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, installTip);
    QFETCH(QString, pathHeader);
    QFETCH(QString, settingsTitle);
    QFETCH(QString, languageNote);
    QFETCH(QString, message);
    QFETCH(QString, reason);
    QFETCH(QString, cliError);
    ScopedWorkingDir dir;
    writeSettings(dir, stored);
    ScopedWinePrefix noWine;

    // What main() does before the first window.
    QVERIFY(TranslationLoader::apply(LanguageSetting::read()));
    QVERIFY2(TranslationLoader::qtTranslationLoaded() ||
                 LanguageSetting::read() != LanguageSetting::chinese(),
             "qtbase_zh_CN.qm not found: qttranslations5-l10n is missing");
    QCOMPARE(QCoreApplication::translate("CommandLine", "缺少命令"), cliError);

    MainWindow window;
    QVERIFY(window.isReady());
    QCOMPARE(window.findChild<QPushButton *>("buttonInstall")->toolTip(), installTip);
    QCOMPARE(window.findChild<QTreeWidget *>("treeWidget2")->headerItem()->text(1), pathHeader);

    ModalAnswerer answerer;
    QString yes;
    QString note;
    answerer.expect([&](QWidget *modal) {
        note = modal->findChild<QLabel *>("labelLanguageNote")->text();
        auto *add = modal->findChild<QPushButton *>("buttonAdd");
        QMetaObject::invokeMethod(add, &QPushButton::click, Qt::QueuedConnection);
    });
    answerer.expect([](QWidget *modal) { // the add-game dialog, left empty
        auto *ok = modal->findChild<QPushButton *>("buttonOk");
        QMetaObject::invokeMethod(ok, &QPushButton::click, Qt::QueuedConnection);
    });
    answerer.expect(ModalAnswerer::pressButton(QMessageBox::Ok));
    answerer.expect(ModalAnswerer::reject()); // the add-game dialog again
    answerer.expect(ModalAnswerer::reject()); // the settings dialog
    // A message of the core, and Qt's own button texts.
    answerer.expect([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        yes = box ? box->button(QMessageBox::Yes)->text() : QString();
        box->reject();
    });
    window.findChild<QPushButton *>("buttonSet")->click();
    const QString why = CommandMessages::folderNameReason(folderNameFault(QStringLiteral("mod.")));
    QMessageBox::information(nullptr, QString(),
                             QCoreApplication::translate("Dialog", "mod名%1").arg(why),
                             QMessageBox::Yes | QMessageBox::No);
    QVERIFY(answerer.waitUntilAnswered());
    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(answerer.messages().value(0), settingsTitle);
    QCOMPARE(note, languageNote);
    QCOMPARE(answerer.messages().value(2), message);
    QCOMPARE(answerer.messages().value(5), QLatin1Char('|') + reason);
    // The standard buttons follow the interface: "是(&Y)" in Chinese.
    QCOMPARE(yes.contains(QLatin1String("Yes")), installTip.startsWith(QLatin1String("Install")));
}

void TestLanguage::everySourceTextHasAnEnglishTranslation()
{
    // The messages in today's sources, as lupdate finds them.
    QTemporaryDir temp;
    const QString fresh = temp.filePath(QStringLiteral("fresh.ts"));
    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(VELDANE_SOURCE_DIR));
    lupdate.start(QStringLiteral(VELDANE_LUPDATE),
                  {QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                   QStringLiteral("src"), QStringLiteral("forms"), QStringLiteral("-ts"), fresh});
    QVERIFY(lupdate.waitForFinished(120000));
    QCOMPARE(lupdate.exitCode(), 0);
    QString error;
    const QMap<MessageKey, Message> sources = readTs(fresh, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(sources.size() > 100);

    const QMap<MessageKey, Message> english =
        readTs(QStringLiteral(VELDANE_SOURCE_DIR "/translations/veldane_en.ts"), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QTranslator compiled;
    QVERIFY(compiled.load(QStringLiteral(":/i18n/veldane_en.qm")));

    QStringList faults;
    for (auto it = sources.cbegin(); it != sources.cend(); ++it) {
        const auto &[context, source, comment] = it.key();
        const QString where = context + QStringLiteral(": ") + source;
        const auto found = english.constFind(it.key());
        if (found == english.cend()) {
            faults << where + QStringLiteral(" -- not in veldane_en.ts (run lupdate)");
        } else if (!found->type.isEmpty() || found->translation.trimmed().isEmpty()) {
            faults << where + QStringLiteral(" -- translation ") +
                          (found->type.isEmpty() ? QStringLiteral("empty") : found->type);
        } else if (placeholders(found->translation) != placeholders(source)) {
            faults << where + QStringLiteral(" -- placeholders differ: ") + found->translation;
        } else if (compiled
                       .translate(context.toUtf8().constData(), source.toUtf8().constData(),
                                  comment.isEmpty() ? nullptr : comment.toUtf8().constData())
                       .isEmpty()) {
            faults << where + QStringLiteral(" -- missing from the built veldane_en.qm");
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

void TestLanguage::noTextIsClipped_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("window");
    for (const QString &language : LanguageSetting::available()) {
        for (const char *window :
             {"MainWindow", "SetDialog", "SetGameDlg", "Dialog", "OrderDlg", "ProgressDialog"}) {
            QTest::addRow("%s %s", qPrintable(language), window) << language << window;
        }
    }
}

void TestLanguage::noTextIsClipped()
{
    QFETCH(QString, language);
    QFETCH(QString, window);
    ScopedWorkingDir dir;
    writeSettings(dir, language.toUtf8());
    ScopedWinePrefix noWine;
    QVERIFY(TranslationLoader::apply(language));

    MainWindow main;
    QVERIFY(main.isReady());
    std::unique_ptr<QWidget> owned;
    QWidget *shown = nullptr;
    ProgressDialog progress;
    if (window == QLatin1String("MainWindow")) {
        // The card categories of the game with the most, in the category box.
        auto *categories = main.findChild<QComboBox *>("comboBox");
        categories->addItems(main.userDataDirs().keys());
        QVERIFY(categories->count() > 5);
        shown = &main;
    } else if (window == QLatin1String("SetDialog")) {
        owned.reset(new SetDialog);
    } else if (window == QLatin1String("SetGameDlg")) {
        owned.reset(new SetGameDlg);
    } else if (window == QLatin1String("Dialog")) {
        owned.reset(new Dialog);
    } else if (window == QLatin1String("OrderDlg")) {
        owned.reset(new OrderDlg(&main, QStringLiteral("A"), QStringLiteral("x")));
    } else {
        progress.show();
        shown = progress.dialog();
    }
    if (!shown) {
        shown = owned.get();
    }
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    const QStringList clipped = clippedTexts(shown);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    progress.finish();
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
