#ifndef VELDANE_PLATFORM_CONSOLE_H
#define VELDANE_PLATFORM_CONSOLE_H

#include <QByteArray>

// The command-line tool's view of its standard streams: whether a person is
// at them, and writing UTF-8 text that the console shows as such.
namespace Console {
bool inputIsTerminal();
bool errorIsTerminal();
// Lets the Windows console show UTF-8 output; nothing to do elsewhere.
void useUtf8();
// Writes the bytes and flushes, so that a progress line shows at once.
void writeOut(const QByteArray &text);
void writeError(const QByteArray &text);
// One line from standard input without its line break; empty at its end.
QByteArray readLine();
} // namespace Console

#endif
