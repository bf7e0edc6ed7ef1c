#include "platform/scopedutf8locale.h"

#include <QtGlobal>

#ifndef Q_OS_WIN
#include <clocale>
#include <locale.h>
#endif

ScopedUtf8Locale::ScopedUtf8Locale()
{
#ifndef Q_OS_WIN
    // Only the character type changes; the thread keeps its other categories.
    for (const char *name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
        const locale_t base = duplocale(uselocale(locale_t(nullptr)));
        if (!base) {
            return;
        }
        const locale_t locale = newlocale(LC_CTYPE_MASK, name, base);
        if (locale) {
            m_locale = locale;
            m_previous = uselocale(locale);
            return;
        }
        freelocale(base);
    }
#endif
}

ScopedUtf8Locale::~ScopedUtf8Locale()
{
#ifndef Q_OS_WIN
    if (m_locale) {
        uselocale(static_cast<locale_t>(m_previous));
        freelocale(static_cast<locale_t>(m_locale));
    }
#endif
}
