#include "platform/pathcase.h"

#include "platform/pathrules.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

bool probedIgnoresCase = false;
bool forcedIgnoresCase = false;

QString swappedCase(const QString &name)
{
    QString swapped = name;
    for (QChar &c : swapped) {
        if (c.isUpper()) {
            c = c.toLower();
        } else if (c.isLower()) {
            c = c.toUpper();
        }
    }
    return swapped;
}

QStringList entryNames(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                  QDir::System);
}

// Whether `name`, listed in `folder` as `listed`, is found under another case:
// a second entry of that spelling means the file system tells them apart.
bool foundUnderOtherCase(const QString &folder, const QString &name, const QStringList &listed)
{
    const QString swapped = swappedCase(name);
    if (listed.contains(swapped)) {
        return false;
    }
    const QFileInfo other(folder + QLatin1Char('/') + swapped);
    return other.exists() || other.isSymLink();
}

} // namespace

bool PathCase::ignoresCase()
{
    return PathRules::fileNameCase() == Qt::CaseInsensitive || forcedIgnoresCase ||
           probedIgnoresCase;
}

Qt::CaseSensitivity PathCase::sensitivity()
{
    return ignoresCase() ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

bool PathCase::probe(const QString &gameFolder)
{
    probedIgnoresCase = false;
    // Without its trailing separator the folder has a name of its own.
    const QFileInfo game(QDir::cleanPath(QDir::fromNativeSeparators(gameFolder)));
    if (gameFolder.isEmpty() || !game.isDir()) {
        return ignoresCase();
    }
    // The game's entries live on the game's file system even when the game
    // folder is the root of a mount; its own name lives in the parent's.
    const QString root = game.absoluteFilePath();
    const QStringList entries = entryNames(root);
    // The first name with a letter decides.
    for (const QString &name : entries) {
        if (swappedCase(name) != name) {
            probedIgnoresCase = foundUnderOtherCase(root, name, entries);
            return ignoresCase();
        }
    }
    const QString own = game.fileName();
    if (swappedCase(own) != own) {
        const QString parent = game.absolutePath();
        probedIgnoresCase = foundUnderOtherCase(parent, own, entryNames(parent));
    }
    return ignoresCase();
}

void PathCase::setForced(bool on)
{
    forcedIgnoresCase = on;
}

QString PathCase::key(const QString &path)
{
    // On Windows both "/" and the backslash separate names, so a record made while the
    // game folder was set with the other separator names the same file; on
    // Linux a backslash is part of a name and nothing changes.
    const QString separated = QDir::fromNativeSeparators(path);
    return ignoresCase() ? separated.toCaseFolded() : separated;
}

QHash<QString, QString> PathCase::spellings(const QString &folder)
{
    QHash<QString, QString> result;
    if (!ignoresCase()) {
        return result;
    }
    for (const QString &name : entryNames(folder)) {
        result.insert(key(name), name);
    }
    return result;
}

QString PathCase::existingName(const QString &folder, const QString &name)
{
    return spellings(folder).value(key(name), name);
}
