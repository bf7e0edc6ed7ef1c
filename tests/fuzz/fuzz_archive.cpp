// The archive check and unpack on any file (zip, 7z and rar are told apart by
// content). Whatever the archive holds, nothing may land outside the folder
// it is unpacked into, nothing but plain files and folders may land inside,
// the unpacked size stays within the limit, and a refusal says why.

#include "fuzzsupport.h"

#include "deploy/archiveextractor.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {

// Small, so that the limit is reached by inputs of a fuzzer's size.
constexpr qint64 kSizeLimit = 256 << 10;

void checkUnpacked(const QString &folder)
{
    qint64 total = 0;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        FUZZ_REQUIRE(!info.isSymLink() && (info.isFile() || info.isDir()), info.filePath());
        if (info.isFile()) {
            total += info.size();
        }
    }
    FUZZ_REQUIRE(total <= kSizeLimit, QString::number(total));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString folder = Fuzz::freshFolder();
    const QString archive = folder + QStringLiteral("/mod.zip");
    const QString unpacked = folder + QStringLiteral("/unpacked");
    const QByteArray input = Fuzz::bytes(data, size);
    if (!TestFiles::write(archive, input) || !QDir().mkpath(unpacked)) {
        Fuzz::fail("cannot write the input", folder);
    }
    // A marker beside the unpack folder, which an escaping entry could reach.
    TestFiles::write(folder + QStringLiteral("/beside.txt"), "beside");
    const QMap<QString, QByteArray> outside = TestFiles::snapshot(folder);

    ArchiveExtractor extractor(kSizeLimit);
    const bool checked = extractor.check(archive);
    FUZZ_REQUIRE(checked == (extractor.failure() == ArchiveExtractor::Failure::None),
                 extractor.errorString());
    FUZZ_REQUIRE(checked || !extractor.errorString().isEmpty(), QStringLiteral("no reason"));
    FUZZ_REQUIRE(TestFiles::snapshot(folder) == outside,
                 QStringLiteral("the check wrote something"));

    // Unpacked after the check, as the drop handler does, and once more by a
    // fresh object that scans on its own.
    for (int pass = 0; pass < 2; ++pass) {
        ArchiveExtractor fresh(kSizeLimit);
        ArchiveExtractor &unpacker = pass == 0 ? extractor : fresh;
        if (!checked && pass == 0) {
            continue;
        }
        const bool done = unpacker.extract(archive, unpacked);
        FUZZ_REQUIRE(done == (unpacker.failure() == ArchiveExtractor::Failure::None),
                     unpacker.errorString());
        FUZZ_REQUIRE(done || !unpacker.errorString().isEmpty(), QStringLiteral("no reason"));
        FUZZ_REQUIRE(!done || checked, QStringLiteral("unpacked what the check refused"));
        checkUnpacked(unpacked);
        QMap<QString, QByteArray> now = TestFiles::snapshot(folder);
        for (auto it = now.begin(); it != now.end();) {
            it = it.key().startsWith(QLatin1String("unpacked/")) ? now.erase(it) : std::next(it);
        }
        FUZZ_REQUIRE(now == outside, QStringLiteral("something landed outside the folder"));
        QDir(unpacked).removeRecursively();
        QDir().mkpath(unpacked);
    }
    return 0;
}
