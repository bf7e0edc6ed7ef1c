#ifndef VELDANE_CONFIG_TRANSLATIONLOADER_H
#define VELDANE_CONFIG_TRANSLATIONLOADER_H

#include <QString>

// Puts the interface into one of LanguageSetting::available(): our own
// translation (embedded as :/i18n/veldane_<language>.qm; Chinese needs none,
// being the source language) and Qt's own for the standard buttons and the
// folder chooser (qtbase_<language>.qm from Qt's translations folder, or the
// translations folder beside the program where windeployqt puts it). Windows
// built afterwards speak that language; those built before keep their texts.
// The window and veldane-cli both call it once at start.
class TranslationLoader
{
public:
    // Replaces the translators installed by an earlier call. Returns false when
    // our own translation for the language could not be loaded; the interface
    // is then Chinese. A missing Qt translation only leaves the standard
    // buttons in English.
    static bool apply(const QString &language);

    // Whether Qt's own translation for the language was found by the last apply().
    static bool qtTranslationLoaded();
};

#endif
