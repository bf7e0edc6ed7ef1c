#ifndef VELDANE_PLATFORM_OUTCOME_H
#define VELDANE_PLATFORM_OUTCOME_H

#include <QString>

// How an operation of the core went: a code from the operation's own list,
// whose default value means that it did what was asked, and the detail the
// words need (a path, a name, what the system said). The core never words a
// failure; the window and veldane-cli do, from the code, through tr().
template<typename Code> class Outcome
{
public:
    Outcome() = default;
    Outcome(Code code, const QString &detail = QString()) : m_code(code), m_detail(detail) {}

    bool ok() const { return m_code == Code(); }
    Code code() const { return m_code; }
    const QString &detail() const { return m_detail; }

private:
    Code m_code = Code();
    QString m_detail;
};

#endif
