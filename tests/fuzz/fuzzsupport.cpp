#include "fuzzsupport.h"

#include "log/ceasylog.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

// Kept for the life of the process: libFuzzer never returns to main.
QTemporaryDir *processFolder = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "veldane-fuzz";
    static char *argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
    processFolder = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/veldane-fuzz-XXXXXX"));
    if (!processFolder->isValid()) {
        Fuzz::fail("cannot make the temporary folder", processFolder->errorString());
    }
    CEasyLog::instance()->setFolder(processFolder->filePath(QStringLiteral("log")));
    return 0;
}

namespace Fuzz {

QString freshFolder()
{
    QDir work(processFolder->filePath(QStringLiteral("work")));
    if (work.exists() && !work.removeRecursively()) {
        fail("cannot empty the work folder", work.path());
    }
    if (!QDir().mkpath(work.path())) {
        fail("cannot make the work folder", work.path());
    }
    return work.path();
}

QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "\n== broken promise: %s\n   %s\n", what, qUtf8Printable(detail));
    std::fflush(stderr);
    std::abort();
}

} // namespace Fuzz
