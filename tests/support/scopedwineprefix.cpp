#include "support/scopedwineprefix.h"
#include "support/testsupport.h"

#include <QFile>

ScopedWinePrefix::ScopedWinePrefix(const QByteArray &userReg)
    : m_previous(qgetenv("WINEPREFIX")), m_hadPrevious(qEnvironmentVariableIsSet("WINEPREFIX"))
{
    m_valid = m_dir.isValid();
    if (m_valid && !userReg.isEmpty()) {
        m_valid = TestFiles::write(m_dir.filePath(QStringLiteral("user.reg")), userReg);
    }
    qputenv("WINEPREFIX", QFile::encodeName(m_dir.path()));
}

ScopedWinePrefix::~ScopedWinePrefix()
{
    if (m_hadPrevious) {
        qputenv("WINEPREFIX", m_previous);
    } else {
        qunsetenv("WINEPREFIX");
    }
}
