#include "platform/wineregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

namespace {

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9') {
        return u - '0';
    }
    if (u >= 'a' && u <= 'f') {
        return u - 'a' + 10;
    }
    if (u >= 'A' && u <= 'F') {
        return u - 'A' + 10;
    }
    return -1;
}

} // namespace

QString WineRegistry::prefixFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("WINEPREFIX");
    if (!fromEnvironment.isEmpty()) {
        return fromEnvironment;
    }
    return QDir::homePath() + QStringLiteral("/.wine");
}

QString WineRegistry::unescape(const QString &text, int start, QChar closing, int *end)
{
    QString result;
    const int size = text.size();
    int i = start;
    while (i < size) {
        const QChar c = text.at(i);
        if (c == closing) {
            *end = i + 1;
            return result;
        }
        if (c != QLatin1Char('\\') || i + 1 >= size) {
            result += c;
            ++i;
            continue;
        }
        const QChar next = text.at(i + 1);
        i += 2;
        switch (next.unicode()) {
        case 'a':
            result += QChar(0x07);
            break;
        case 'b':
            result += QChar(0x08);
            break;
        case 'e':
            result += QChar(0x1B);
            break;
        case 'f':
            result += QChar(0x0C);
            break;
        case 'n':
            result += QChar(0x0A);
            break;
        case 'r':
            result += QChar(0x0D);
            break;
        case 't':
            result += QChar(0x09);
            break;
        case 'v':
            result += QChar(0x0B);
            break;
        case 'x': {
            // One UTF-16 unit in up to four hex digits; Wine writes all four
            // whenever a hex digit follows, so a shorter run ends the number.
            ushort unit = 0;
            int digits = 0;
            while (digits < 4 && i < size && hexDigit(text.at(i)) >= 0) {
                unit = ushort(unit * 16 + hexDigit(text.at(i)));
                ++i;
                ++digits;
            }
            if (digits == 0) {
                result += QLatin1Char('x');
            } else {
                result += QChar(unit);
            }
            break;
        }
        default:
            if (next >= QLatin1Char('0') && next <= QLatin1Char('7')) {
                ushort unit = ushort(next.unicode() - '0');
                for (int digits = 1; digits < 3 && i < size && text.at(i) >= QLatin1Char('0') &&
                                     text.at(i) <= QLatin1Char('7');
                     ++digits, ++i) {
                    unit = ushort(unit * 8 + (text.at(i).unicode() - '0'));
                }
                result += QChar(unit);
            } else {
                // "\\", "\"", "\[" and "\]" stand for the character itself.
                result += next;
            }
            break;
        }
    }
    *end = -1;
    return result;
}

QString WineRegistry::readString(const QString &userRegFile, const QString &keyPath,
                                 const QString &valueName, bool *found)
{
    if (found) {
        *found = false;
    }
    QFile file(userRegFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return QString();
    }
    QTextStream stream(&file);
    stream.setCodec("UTF-8");

    bool inKey = false;
    while (!stream.atEnd()) {
        const QString line = stream.readLine();
        if (line.startsWith(QLatin1Char('['))) {
            if (inKey) {
                // Each key appears once in the file; the next header ends it.
                return QString();
            }
            int end = -1;
            const QString name = unescape(line, 1, QLatin1Char(']'), &end);
            inKey = end > 0 && name.compare(keyPath, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inKey || !line.startsWith(QLatin1Char('"'))) {
            continue;
        }
        int end = -1;
        const QString name = unescape(line, 1, QLatin1Char('"'), &end);
        if (end < 0 || end >= line.size() || line.at(end) != QLatin1Char('=') ||
            name.compare(valueName, Qt::CaseInsensitive) != 0) {
            continue;
        }
        // A plain string is "text"; an expandable one (REG_EXPAND_SZ) is
        // str(2):"text", which the registry call also returns unexpanded.
        // Numbers, binary data and string lists are not a folder.
        QStringRef data = line.midRef(end + 1);
        if (data.startsWith(QLatin1String("str(2):"))) {
            data = data.mid(7);
        }
        if (!data.startsWith(QLatin1Char('"'))) {
            return QString();
        }
        const QString text = data.toString();
        int valueEnd = -1;
        const QString value = unescape(text, 1, QLatin1Char('"'), &valueEnd);
        if (valueEnd < 0) {
            return QString();
        }
        if (found) {
            *found = true;
        }
        return value;
    }
    return QString();
}

QString WineRegistry::folderForWindowsPath(const QString &prefix, const QString &windowsPath)
{
    if (windowsPath.size() < 2 || windowsPath.at(1) != QLatin1Char(':') ||
        !windowsPath.at(0).isLetter() || windowsPath.at(0).unicode() > 127) {
        return QString();
    }
    const QChar drive = windowsPath.at(0).toLower();
    QString folder;
    if (drive == QLatin1Char('c')) {
        folder = prefix + QStringLiteral("/drive_c");
    } else {
        folder = prefix + QStringLiteral("/dosdevices/") + drive + QLatin1Char(':');
        const QFileInfo link(folder);
        if (link.isSymLink()) {
            folder = link.symLinkTarget();
        }
    }
    if (!QFileInfo(folder).isDir()) {
        return QString();
    }

    const QStringList components =
        windowsPath.mid(2).split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts);
    QStringList parents; // the folders above, so that ".." never leaves the drive
    for (const QString &component : components) {
        if (component == QLatin1String(".")) {
            continue;
        }
        if (component == QLatin1String("..")) {
            // As on Windows, ".." at the drive's root stays there.
            if (!parents.isEmpty()) {
                folder = parents.takeLast();
            }
            continue;
        }
        parents.append(folder);
        QString next = folder + QLatin1Char('/') + component;
        if (!QFileInfo::exists(next)) {
            const QStringList entries =
                QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
            for (const QString &entry : entries) {
                if (entry.compare(component, Qt::CaseInsensitive) == 0) {
                    next = folder + QLatin1Char('/') + entry;
                    break;
                }
            }
        }
        folder = next;
    }
    folder = QDir::toNativeSeparators(QDir::cleanPath(folder));
    if (!folder.endsWith(QDir::separator())) {
        folder += QDir::separator();
    }
    return folder;
}
