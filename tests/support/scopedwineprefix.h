#ifndef VELDANE_TESTS_SCOPEDWINEPREFIX_H
#define VELDANE_TESTS_SCOPEDWINEPREFIX_H

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Points WINEPREFIX at a fresh temporary folder for the lifetime of the
// object, so that a test never reads the machine's own ~/.wine, and puts the
// variable back as it was (unset stays unset). With userReg, the folder gets a
// user.reg holding that text; without, the prefix has no registry at all.
class ScopedWinePrefix
{
public:
    explicit ScopedWinePrefix(const QByteArray &userReg = QByteArray());
    ~ScopedWinePrefix();

    ScopedWinePrefix(const ScopedWinePrefix &) = delete;
    ScopedWinePrefix &operator=(const ScopedWinePrefix &) = delete;

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &relative) const { return m_dir.filePath(relative); }
    // False when the folder or its user.reg could not be made.
    bool isValid() const { return m_valid; }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious = false;
    bool m_valid = false;
};

#endif
