#include "platform/console.h"

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

bool isTerminal(FILE *stream)
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

void writeTo(FILE *stream, const QByteArray &text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stream);
    std::fflush(stream);
}

} // namespace

bool Console::inputIsTerminal()
{
    return isTerminal(stdin);
}

bool Console::errorIsTerminal()
{
    return isTerminal(stderr);
}

void Console::useUtf8()
{
#ifdef Q_OS_WIN
    SetConsoleOutputCP(CP_UTF8);
#endif
}

void Console::writeOut(const QByteArray &text)
{
    writeTo(stdout, text);
}

void Console::writeError(const QByteArray &text)
{
    writeTo(stderr, text);
}

QByteArray Console::readLine()
{
    QByteArray line;
    int c = 0;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n') {
        line.append(char(c));
    }
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}
