#include "config/languagesetting.h"

#include "config/gameinfo.h"

#include <QSettings>

QString LanguageSetting::read()
{
    return read(GameInfo::settingsFile());
}

QString LanguageSetting::read(const QString &settingsFile)
{
    const QSettings settings(settingsFile, QSettings::IniFormat);
    return normalized(settings.value(key()).toString());
}

QString LanguageSetting::normalized(const QString &stored)
{
    // A value typed by hand may differ in case or use a dash ("zh-CN").
    const QString wanted = QString(stored).replace(QLatin1Char('-'), QLatin1Char('_')).trimmed();
    for (const QString &language : available()) {
        if (wanted.compare(language, Qt::CaseInsensitive) == 0) {
            return language;
        }
    }
    return chinese();
}
