#include "config/foldername.h"

#include <QStringList>

namespace {

// Longest name in bytes that Linux file systems accept; Windows counts UTF-16
// units and allows as many, so the byte limit is the stricter one.
constexpr int maxNameBytes = 255;

// Windows opens a device instead of a file for these names, also when an
// extension follows ("NUL.txt") or blanks precede the dot.
bool isWindowsDeviceName(const QString &name)
{
    QString base = name.section(QLatin1Char('.'), 0, 0);
    while (base.endsWith(QLatin1Char(' '))) {
        base.chop(1);
    }
    base = base.toUpper();
    static const QStringList fixed = {QStringLiteral("CON"),    QStringLiteral("PRN"),
                                      QStringLiteral("AUX"),    QStringLiteral("NUL"),
                                      QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (fixed.contains(base)) {
        return true;
    }
    if (base.size() == 4 &&
        (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT")))) {
        const QChar last = base.at(3);
        // Digits 0-9 and the superscripts ¹ ² ³, which Windows also maps to ports.
        return (last >= QLatin1Char('0') && last <= QLatin1Char('9')) || last == QChar(0x00B9) ||
               last == QChar(0x00B2) || last == QChar(0x00B3);
    }
    return false;
}

} // namespace

FolderNameFault folderNameFault(const QString &name)
{
    if (name.isEmpty()) {
        return FolderNameFault::Empty;
    }
    if (name == QLatin1String(".") || name == QLatin1String("..")) {
        return FolderNameFault::DotOrDotDot;
    }
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\')) {
            return FolderNameFault::Separator;
        }
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            return FolderNameFault::ControlCharacter;
        }
        if (QStringLiteral("<>:\"|?*").contains(c)) {
            return FolderNameFault::ReservedCharacter;
        }
    }
    // Windows silently drops a trailing dot or blank, so "mod." and "mod" would
    // be one folder there.
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' '))) {
        return FolderNameFault::TrailingDotOrBlank;
    }
    if (isWindowsDeviceName(name)) {
        return FolderNameFault::DeviceName;
    }
    if (name.toUtf8().size() > maxNameBytes) {
        return FolderNameFault::TooLong;
    }
    return FolderNameFault::None;
}

bool isSafeFolderName(const QString &name)
{
    return folderNameFault(name) == FolderNameFault::None;
}

bool isWindowsFileName(const QString &name)
{
    return !name.isEmpty() && !name.endsWith(QLatin1Char('.')) &&
           !name.endsWith(QLatin1Char(' ')) && !isWindowsDeviceName(name) &&
           !hasReservedCharacter(name);
}

bool hasReservedCharacter(const QString &name)
{
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("<>:\"/\\|?*").contains(c)) {
            return true;
        }
    }
    return false;
}

QString setAsideFolderName()
{
    return QStringLiteral("Veldane留存");
}

bool isSetAsideFolderName(const QString &name)
{
    return name.compare(setAsideFolderName(), Qt::CaseInsensitive) == 0;
}

QString unpackFolderPrefix()
{
    return QStringLiteral(".veldane-unpacking-");
}

bool isUnpackFolderName(const QString &name)
{
    return name.startsWith(unpackFolderPrefix(), Qt::CaseInsensitive);
}
