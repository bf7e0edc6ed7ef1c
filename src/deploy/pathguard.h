#ifndef VELDANE_DEPLOY_PATHGUARD_H
#define VELDANE_DEPLOY_PATHGUARD_H

#include <QString>

// Tells whether a path lies inside a folder, so that the commands that delete
// or overwrite recorded files never reach outside the game folder or a mod's
// backup folder, whatever a catalogue says.
//
// Paths are judged as the file system would follow them, not by their text:
// "." and ".." are resolved step by step, and every existing folder on the way
// is replaced by its real location, so a link inside the root that leads
// outside counts as outside, and a link to another place inside is fine. A
// ".." after a link goes up from where the link leads, as the system does.
//
// The last component is judged by its own location and is not followed: it may
// be a file that does not exist yet (a file to restore), and when it is a link,
// deleting it deletes the link and not what it points to, so the link's own
// place is what matters. Callers must therefore remove such a path before
// writing to it rather than write through it.
//
// A link on the way that leads nowhere is refused, since where it would lead
// once its target appears cannot be judged. Relative paths are refused. File
// names are compared as the game's file system does (PathCase): ignoring case
// on Windows and on case-blind game folders, else exactly. The root itself is
// not inside.
//
// The answer describes the file system at the time of the call.
class PathGuard
{
public:
    // root may end with a separator and may itself be or pass through a link;
    // a relative root is taken from the working directory. An empty root, or
    // one that passes through a link leading nowhere, contains nothing.
    explicit PathGuard(const QString &root);

    bool contains(const QString &path) const;

    // The root as resolved, with "/" separators and no trailing separator
    // (except for a file-system root such as "/"); empty when it is unusable.
    QString root() const { return m_root; }

    // Short form for a single check.
    static bool isInside(const QString &path, const QString &root);

private:
    QString m_root;
};

#endif
