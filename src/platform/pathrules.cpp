#include "platform/pathrules.h"

namespace PathRules {

#ifdef Q_OS_WIN

int absoluteRootLength(const QString &path)
{
    if (path.size() >= 3 && path.at(1) == QLatin1Char(':') && path.at(2) == QLatin1Char('/')) {
        const ushort drive = path.at(0).toUpper().unicode();
        return drive >= 'A' && drive <= 'Z' ? 3 : 0;
    }
    if (path.startsWith(QLatin1String("//"))) {
        // A UNC path needs both a server and a share name.
        const int serverEnd = path.indexOf(QLatin1Char('/'), 2);
        if (serverEnd <= 2 || serverEnd + 1 >= path.size()) {
            return 0;
        }
        const int shareEnd = path.indexOf(QLatin1Char('/'), serverEnd + 1);
        if (shareEnd == -1) {
            return path.size();
        }
        return shareEnd > serverEnd + 1 ? shareEnd + 1 : 0;
    }
    return 0;
}

Qt::CaseSensitivity fileNameCase()
{
    return Qt::CaseInsensitive;
}

#else

int absoluteRootLength(const QString &path)
{
    return path.startsWith(QLatin1Char('/')) ? 1 : 0;
}

Qt::CaseSensitivity fileNameCase()
{
    return Qt::CaseSensitive;
}

#endif

} // namespace PathRules
