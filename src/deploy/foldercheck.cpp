#include "deploy/foldercheck.h"

#include <QDir>

bool FolderCheck::contains(const QString &path)
{
    const QString plain = QDir::fromNativeSeparators(path);
    const int cut = plain.lastIndexOf(QLatin1Char('/'));
    const QString name = plain.mid(cut + 1);
    if (cut < 0 || name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        return m_guard.contains(path);
    }
    const QString folder = plain.left(cut);
    auto known = m_folders.constFind(folder);
    if (known == m_folders.cend()) {
        known = m_folders.insert(folder, m_guard.contains(folder + QStringLiteral("/f")));
    }
    return known.value();
}
