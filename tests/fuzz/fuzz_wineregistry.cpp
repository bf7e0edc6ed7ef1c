// The Wine registry reader on any user.reg: the install folder it finds for a
// game must be a folder of the prefix's own drives, whatever the file says.

#include "fuzzsupport.h"

#include "platform/gameregistry.h"
#include "platform/wineregistry.h"

#include <QDir>
#include <QFile>

namespace {

QString prefix;
QString driveC;
QString driveD;

bool isInside(const QString &folder, const QString &drive)
{
    const QString root = QDir::toNativeSeparators(drive) + QDir::separator();
    return folder.startsWith(root) || folder == root;
}

// One prefix for the whole run: drive C with the folders the seeds name,
// and drive D a link to a folder beside it, as winecfg makes them.
bool makePrefix()
{
    prefix = Fuzz::freshFolder() + QStringLiteral("/../prefix");
    prefix = QDir::cleanPath(prefix);
    driveC = prefix + QStringLiteral("/drive_c");
    driveD = prefix + QStringLiteral("/drive_d");
    const bool made = QDir().mkpath(driveC + QStringLiteral("/Games/HoneySelect/abdata")) &&
                      QDir().mkpath(driveC + QStringLiteral("/illusion/AI-Syoujyo")) &&
                      QDir().mkpath(driveD + QStringLiteral("/Koikatsu")) &&
                      QDir().mkpath(prefix + QStringLiteral("/dosdevices")) &&
                      QFile::link(driveD, prefix + QStringLiteral("/dosdevices/d:"));
    if (!made) {
        Fuzz::fail("cannot make the Wine prefix", prefix);
    }
    qputenv("WINEPREFIX", QFile::encodeName(prefix));
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool prefixMade = makePrefix();
    Q_UNUSED(prefixMade)
    const QByteArray input = Fuzz::bytes(data, size);
    const QString userReg = prefix + QStringLiteral("/user.reg");
    TestFiles::write(userReg, input);

    for (const char *game : {"HoneySelect", "AI-Syoujyo", "Koikatsu"}) {
        const QString folder = GameRegistry::installDir(QString::fromLatin1(game));
        FUZZ_REQUIRE(folder.isEmpty() || isInside(folder, driveC) || isInside(folder, driveD),
                     folder);
    }

    // Names and strings with every escape: the end index stays in the text.
    const QString text = QString::fromUtf8(input);
    for (const QChar closing : {QLatin1Char('"'), QLatin1Char(']')}) {
        int end = 0;
        WineRegistry::unescape(text, 1, closing, &end);
        FUZZ_REQUIRE(end == -1 || (end >= 2 && end <= text.size() && text.at(end - 1) == closing),
                     QString::number(end));
    }
    return 0;
}
