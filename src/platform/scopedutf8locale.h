#ifndef VELDANE_PLATFORM_SCOPEDUTF8LOCALE_H
#define VELDANE_PLATFORM_SCOPEDUTF8LOCALE_H

// Makes this thread's character type UTF-8 while it lives, whatever the
// process locale is. libarchive converts entry names to the thread's locale:
// pinned to UTF-8, a name flagged as UTF-8 arrives as UTF-8 and an unflagged
// one as the bytes the archive holds, on every Unix locale alike. On Windows
// libarchive converts through the code pages instead and nothing changes.
class ScopedUtf8Locale
{
public:
    ScopedUtf8Locale();
    ~ScopedUtf8Locale();
    ScopedUtf8Locale(const ScopedUtf8Locale &) = delete;
    ScopedUtf8Locale &operator=(const ScopedUtf8Locale &) = delete;

    // Whether names are read in UTF-8 now.
    bool active() const { return m_locale != nullptr; }

private:
    void *m_locale = nullptr;
    void *m_previous = nullptr;
};

#endif
