// Holds one file open as a running game does, for the tests of the refusal
// that a held game file brings:
//   veldane_holdfile <file>
// On Windows the file is opened with no sharing at all, so that no other
// program may rename, replace or delete it meanwhile; elsewhere it is only
// opened, which keeps nobody from anything. Prints "held" once the file is
// open, and lets it go when its standard input closes, or after two minutes
// so that a test that stopped halfway leaves nothing held.

#include "platform/longpath.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <thread>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

bool hold(const QString &path)
{
#ifdef Q_OS_WIN
    const QString native = LongPath::toWin32(path);
    const HANDLE handle =
        CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()), GENERIC_READ, 0, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open the file: error %lu\n", GetLastError());
        return false;
    }
    return true; // closed by the system when the process ends
#else
    static QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot open the file: %s\n", qPrintable(file.errorString()));
        return false;
    }
    return true;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: %s file\n", argv[0]);
        return 2;
    }
    if (!hold(args.at(1))) {
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);

    static std::atomic<bool> inputClosed{false};
    std::thread([] {
        while (std::fgetc(stdin) != EOF) {
        }
        inputClosed = true;
    }).detach();
    for (int waited = 0; !inputClosed && waited < 120000; waited += 50) {
        QThread::msleep(50);
    }
    return 0;
}
