#include "deploy/pathguard.h"

#include "platform/nativefile.h"
#include "platform/pathcase.h"
#include "platform/pathrules.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

// An absolute path cut into its root part ("/", "C:/", ...) and its names.
struct SplitPath
{
    QString anchor;
    QStringList names;

    QString joined() const { return anchor + names.join(QLatin1Char('/')); }
};

bool splitAbsolute(const QString &path, SplitPath *split)
{
    const int rootLength = PathRules::absoluteRootLength(path);
    if (rootLength <= 0) {
        return false;
    }
    split->anchor = path.left(rootLength);
    if (!split->anchor.endsWith(QLatin1Char('/'))) {
        split->anchor += QLatin1Char('/');
    }
    split->names = path.mid(rootLength).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return true;
}

// Walks the path one name at a time the way the file system does: a name that
// exists is replaced by its real location before the next name, in particular
// before a "..", which text-only cleaning (QDir::cleanPath) would get wrong
// after a link. Missing names are kept as written. When followLast is false,
// the last name is kept as it is, so a link there stays a link.
bool resolve(const QString &path, bool followLast, QString *resolved)
{
    SplitPath pending;
    if (!splitAbsolute(QDir::fromNativeSeparators(path), &pending)) {
        return false;
    }
    SplitPath done;
    done.anchor = pending.anchor;
    for (int i = 0; i < pending.names.size(); ++i) {
        const QString &name = pending.names.at(i);
        if (name == QLatin1String(".")) {
            continue;
        }
        if (name == QLatin1String("..")) {
            if (!done.names.isEmpty()) {
                done.names.removeLast();
            }
            continue;
        }
        done.names.append(name);
        if (i == pending.names.size() - 1 && !followLast) {
            break;
        }
        const QFileInfo info(done.joined());
        if (info.exists()) {
            // A link by the system's own answer: Qt 5 does not follow a
            // junction, which would let one that leads out look inside.
            const QString real = NativeFile::isLinkOrJunction(info)
                                     ? NativeFile::realPath(info.filePath())
                                     : info.canonicalFilePath();
            if (real.isEmpty() || !splitAbsolute(real, &done)) {
                return false;
            }
        } else if (info.isSymLink()) {
            return false;
        }
    }
    *resolved = done.joined();
    return true;
}

} // namespace

PathGuard::PathGuard(const QString &root)
{
    if (root.isEmpty()) {
        return;
    }
    QString absolute = QDir::fromNativeSeparators(root);
    if (QDir::isRelativePath(absolute)) {
        absolute = QDir::currentPath() + QLatin1Char('/') + absolute;
    }
    if (PathRules::absoluteRootLength(absolute) <= 0) {
        // "/x" or "C:x" on Windows: let Qt supply the current drive or folder.
        absolute = QFileInfo(absolute).absoluteFilePath();
    }
    QString resolved;
    if (resolve(absolute, true, &resolved)) {
        m_root = resolved;
    }
}

bool PathGuard::contains(const QString &path) const
{
    if (m_root.isEmpty()) {
        return false;
    }
    QString resolved;
    if (!resolve(path, false, &resolved)) {
        return false;
    }
    const QString prefix = m_root.endsWith(QLatin1Char('/')) ? m_root : m_root + QLatin1Char('/');
    return resolved.size() > prefix.size() && resolved.startsWith(prefix, PathCase::sensitivity());
}

bool PathGuard::isInside(const QString &path, const QString &root)
{
    return PathGuard(root).contains(path);
}
