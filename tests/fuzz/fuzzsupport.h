#ifndef VELDANE_TESTS_FUZZ_FUZZSUPPORT_H
#define VELDANE_TESTS_FUZZ_FUZZSUPPORT_H

#include <QByteArray>
#include <QMap>
#include <QString>

#include <cstddef>
#include <cstdint>

// What every fuzz target shares: a Qt application object, a folder of the
// process's own in which each input is played out, and a way to stop with a
// message that libFuzzer reports as a finding.
namespace Fuzz {

// Called from LLVMFuzzerInitialize: creates the application object (the SQL
// driver and the codecs want one) and the work folder, and sends the log
// there.
void initialize();

// The folder below the process's temporary folder that each input starts
// with empty; it is emptied here.
QString freshFolder();

QByteArray bytes(const uint8_t *data, size_t size);
bool writeFile(const QString &path, const QByteArray &content);
QByteArray readFile(const QString &path);

// Every file and folder below `folder`, relative with "/", mapped to the
// file's content ("<dir>" for a folder, "<link>" for a link).
QMap<QString, QByteArray> tree(const QString &folder);

[[noreturn]] void fail(const char *what, const QString &detail = QString());

} // namespace Fuzz

// An assertion that holds in every build and names the broken promise.
#define FUZZ_REQUIRE(condition, detail)                                                            \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            Fuzz::fail(#condition, detail);                                                        \
        }                                                                                          \
    } while (false)

#endif
