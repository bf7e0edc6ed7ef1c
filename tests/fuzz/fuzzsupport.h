#ifndef VELDANE_TESTS_FUZZ_FUZZSUPPORT_H
#define VELDANE_TESTS_FUZZ_FUZZSUPPORT_H

#include "support/testsupport.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// What every fuzz target shares: a Qt application object (the SQL driver and
// the codecs want one), made in LLVMFuzzerInitialize with the log sent to the
// process's own temporary folder, a folder there in which each input is played
// out, and a way to stop with a message that libFuzzer reports as a finding.
// Files are written, read and compared with the ordinary tests' TestFiles.
namespace Fuzz {

// The folder below the process's temporary folder that each input starts
// with empty; it is emptied here.
QString freshFolder();

QByteArray bytes(const uint8_t *data, size_t size);

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
