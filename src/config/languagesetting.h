#ifndef VELDANE_CONFIG_LANGUAGESETTING_H
#define VELDANE_CONFIG_LANGUAGESETTING_H

#include <QString>
#include <QStringList>

// The interface language, stored as /Global/Language in the settings file. The
// interface is written in Chinese, so Chinese is what a missing, empty or
// unknown value means, whatever the system's locale. A change takes effect at
// the next start: the windows are built once, in the language read at start.
class LanguageSetting
{
public:
    static QString chinese() { return QStringLiteral("zh_CN"); }
    static QString english() { return QStringLiteral("en"); }
    // Every language the interface can show, Chinese first.
    static QStringList available() { return {chinese(), english()}; }

    static QString key() { return QStringLiteral("/Global/Language"); }

    // The language stored in the settings file, or Chinese.
    static QString read();
    // The same from the settings file of another workspace.
    static QString read(const QString &settingsFile);
    // A stored value as one of available(): Chinese for anything unknown.
    static QString normalized(const QString &stored);
};

#endif
