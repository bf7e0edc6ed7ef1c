#include "config/translationloader.h"

#include "config/languagesetting.h"
#include "log/ceasylog.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QList>
#include <QPointer>
#include <QTranslator>

namespace {

// The translators installed by the last apply(); owned by the application.
QList<QPointer<QTranslator>> installed;
bool qtLoaded = false;

QTranslator *load(const QStringList &names, const QStringList &folders)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    for (const QString &folder : folders) {
        for (const QString &name : names) {
            if (translator->load(name, folder)) {
                return translator;
            }
        }
    }
    delete translator;
    return nullptr;
}

} // namespace

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void initTranslationResource()
{
    // The .qm files are compiled into the static core library, whose resource
    // initialiser is not linked in unless something names it.
    Q_INIT_RESOURCE(translations);
}

bool TranslationLoader::apply(const QString &language)
{
    initTranslationResource();
    for (const QPointer<QTranslator> &translator : qAsConst(installed)) {
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
    installed.clear();

    const QString wanted = LanguageSetting::normalized(language);
    bool ours = true;
    if (wanted != LanguageSetting::chinese()) {
        QTranslator *translator =
            load({QStringLiteral("veldane_") + wanted}, {QStringLiteral(":/i18n")});
        if (translator) {
            installed << translator;
        } else {
            ours = false;
            CEasyLog::instance()->write(QStringLiteral("[TranslationMissing]:veldane_") + wanted);
        }
    }
    // Without our own translation the interface stays Chinese, and so should
    // Qt's buttons.
    const QString qtLanguage = ours ? wanted : LanguageSetting::chinese();
    // Debian ships qtbase_<language>.qm; windeployqt merges Qt's modules into
    // qt_<language>.qm in the translations folder beside the program.
    QTranslator *qt =
        load({QStringLiteral("qtbase_") + qtLanguage, QStringLiteral("qt_") + qtLanguage},
             {QLibraryInfo::location(QLibraryInfo::TranslationsPath),
              QCoreApplication::applicationDirPath() + QStringLiteral("/translations")});
    qtLoaded = qt != nullptr;
    if (qt) {
        installed << qt;
    }
    for (const QPointer<QTranslator> &translator : qAsConst(installed)) {
        QCoreApplication::installTranslator(translator);
    }
    return ours;
}

bool TranslationLoader::qtTranslationLoaded()
{
    return qtLoaded;
}
