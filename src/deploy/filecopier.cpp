#include "deploy/filecopier.h"

#include "platform/contenthasher.h"
#include "platform/filesync.h"
#include "platform/kernelcopy.h"
#include "platform/nativefile.h"

#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <future>
#include <optional>
#include <system_error>

namespace {

using CopyOptions = FileCopier::CopyOptions;

// Tells the progress about the bytes done once a step more is, and never at
// the end: the end is the caller's next value.
void reportStep(QFile &in, const CopyOptions &options, qint64 done, qint64 &reported, qint64 &total)
{
    if (options.progress && done - reported >= options.step) {
        if (total < 0) {
            total = in.size();
        }
        if (done < total) {
            reported = done;
            options.progress(done, total);
        }
    }
}

// Copies through a buffer of ours: where the kernel cannot copy, and where the
// bytes are hashed on their way. Without `out`, only hashes.
bool copyThroughBuffer(QFile &in, QFile *out, const CopyOptions &options)
{
    std::optional<ContentHasher> hasher;
    if (options.hash) {
        hasher.emplace();
    }
    // Game files are mostly small: they go through a buffer on the stack, and
    // only a file that fills it gets a large one, for fewer system calls.
    static constexpr qint64 smallSize = 64 * 1024;
    static constexpr qint64 largeSize = 1024 * 1024;
    char small[smallSize];
    QByteArray large;
    char *buffer = small;
    qint64 size = smallSize;
    qint64 done = 0;
    qint64 reported = 0;
    qint64 total = -1;
    for (;;) {
        const qint64 read = in.read(buffer, size);
        if (read < 0) {
            return false;
        }
        if (read == 0) {
            break;
        }
        if (hasher) {
            hasher->add(buffer, read);
        }
        if (out && out->write(buffer, read) != read) {
            return false;
        }
        done += read;
        if (read == size && buffer == small) {
            // No larger than a step, so that progress comes at every step.
            size = qMax(smallSize, qMin(largeSize, options.step));
            large.resize(int(size));
            buffer = large.data();
        }
        reportStep(in, options, done, reported, total);
    }
    if (hasher) {
        *options.hash = hasher->digest();
    }
    return true;
}

// The hash of what the kernel just copied, read from the source: its pages
// are still in memory after a copy, and after a clone it is the one of the
// two more likely there. A copy kept from buffered writes would turn a clone
// into a full copy. A source changed meanwhile only makes the game file look
// changed later, never an edit unseen.
bool hashAfterCopy(QFile &in, CopyOptions options)
{
    options.progress = nullptr;
    return copyThroughBuffer(in, nullptr, options);
}

// The hash of a file that took no copy (the same file, or a rename): one read.
bool hashInPlace(const QString &path, const CopyOptions &options)
{
    QFile in(path);
    return in.open(QIODevice::ReadOnly | QIODevice::Unbuffered) &&
           copyThroughBuffer(in, nullptr, options);
}

// A large source's hash, read on a second thread while the system copies the
// same bytes: on two cores the copy and the read then take about the time of
// the longer one, where one after the other they add a tenth to a mod of
// large files. Both read the same pages, so a file not yet in memory still
// comes from the disk once. A small file is read after its copy instead,
// which costs less than starting a thread.
class HashAlongside
{
public:
    HashAlongside(const QString &source, const CopyOptions &options)
        : m_source(source), m_options(options)
    {
    }

    // For the system's copy, when a hash is wanted at all.
    KernelCopy::Starting starting()
    {
        if (!m_options.hash) {
            return {};
        }
        return [this](qint64 size) {
            if (size < threadFrom) {
                return;
            }
            m_size = size;
            CopyOptions options = m_options;
            options.progress = nullptr;
            try {
                m_hash = std::async(std::launch::async, [source = m_source, options]() mutable {
                    quint64 hash = 0;
                    options.hash = &hash;
                    return hashInPlace(source, options) ? std::optional<quint64>(hash)
                                                        : std::nullopt;
                });
            } catch (const std::system_error &) {
                // No thread to be had: the hash is read after the copy.
            }
        };
    }

    // The hash into the caller's: read now (with the progress a window needs
    // during a large read) unless it was read beside the copy, whose end the
    // window waits for answering.
    bool finish(QFile *opened)
    {
        if (!m_hash.valid()) {
            return opened ? opened->seek(0) && hashAfterCopy(*opened, m_options)
                          : hashInPlace(m_source, m_options);
        }
        while (m_hash.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
            if (m_options.progress) {
                m_options.progress(m_size - 1, m_size);
            }
        }
        const std::optional<quint64> hash = m_hash.get();
        if (hash) {
            *m_options.hash = *hash;
        }
        return hash.has_value();
    }

private:
    static constexpr qint64 threadFrom = qint64(8) << 20;

    QString m_source;
    CopyOptions m_options;
    qint64 m_size = 0;
    // Waited for on the way out, whatever became of the copy.
    std::future<std::optional<quint64>> m_hash;
};

// The bytes into a destination of their own, by the kernel where it can.
bool copyBytes(const QString &source, const QString &destination, const CopyOptions &options)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return false;
    }
    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        return false;
    }
    bool copied = false;
    HashAlongside hash(source, options);
    switch (KernelCopy::copyContent(in, out, options.progress, options.step, hash.starting())) {
    case KernelCopy::Result::Cloned:
        if (options.cloned) {
            *options.cloned = true;
            copied = true;
            break;
        }
        Q_FALLTHROUGH();
    case KernelCopy::Result::Copied:
        copied = !options.hash || hash.finish(&in);
        break;
    case KernelCopy::Result::Failed:
        break;
    case KernelCopy::Result::Unsupported:
        copied = copyThroughBuffer(in, &out, options);
        break;
    }
    if (copied && options.writeBack) {
        FileSync::startWriteBack(out);
    }
    out.close();
    return copied && out.error() == QFileDevice::NoError;
}

// Renaming over a large file frees its blocks inside that one call, which
// takes a second for a few gigabytes. A second name keeps the old file alive
// through the rename, and it is then freed a step at a time. Empty where no
// such name is needed or can be made: the rename then frees it as usual.
QString secondNameOfLarge(const QString &source, const QString &destination,
                          const CopyOptions &options)
{
    if (!options.progress) {
        return QString();
    }
    const QFileInfo old(destination);
    if (!old.isFile() || NativeFile::isLinkOrJunction(old) || old.size() <= (qint64(32) << 20) ||
        NativeFile::sameFile(source, destination)) {
        return QString();
    }
    const QString aside = destination + QStringLiteral(".veldane-old");
    return NativeFile::addName(destination, aside) ? aside : QString();
}

// Another drive: the copy goes beside the destination first, so that a
// failure cannot leave it half written, and replaces it in one step, so that
// it is never absent. The source goes only once its copy is on the disk: a
// power cut in between would otherwise lose both.
bool moveByCopy(const QString &source, const QString &destination, const CopyOptions &options)
{
    const QString partial = destination + QStringLiteral(".veldane-part");
    if (!FileCopier::copy(source, partial, options) || !FileSync::flushFile(partial) ||
        !NativeFile::replace(partial, destination)) {
        NativeFile::remove(partial);
        return false;
    }
    FileSync::flushFile(destination);
    NativeFile::remove(source);
    return true;
}

} // namespace

bool FileCopier::copy(const QString &source, const QString &destination)
{
    return copy(source, destination, CopyOptions());
}

bool FileCopier::copyNew(const QString &source, const QString &destination)
{
    return copyNew(source, destination, CopyOptions());
}

bool FileCopier::move(const QString &source, const QString &destination)
{
    return move(source, destination, CopyOptions());
}

bool FileCopier::copy(const QString &source, const QString &destination, const CopyOptions &options)
{
    if (options.cloned) {
        *options.cloned = false;
    }
    // Few system calls per file: with thousands of small files the checks
    // cost more than the copying.
    const NativeFile::Entry existing = NativeFile::entry(destination);
    if (existing.link) {
        if (!NativeFile::remove(destination)) {
            return false;
        }
    } else if (existing.exists) {
        if (NativeFile::sameFile(destination, source)) {
            // Opening the destination would truncate the very file being read.
            return !options.hash || hashInPlace(source, options);
        }
        // A read-only copy (of a read-only mod file) is replaced all the same.
        if (existing.readOnly && !NativeFile::makeWritable(destination)) {
            return false;
        }
    }
    // Windows copies whole files, attributes included, in one call; Wine
    // leaves the attributes of a file it copies over as they were.
    HashAlongside hash(source, options);
    switch (KernelCopy::copyFile(source, destination, options.progress, options.step,
                                 hash.starting())) {
    case KernelCopy::Result::Copied:
    case KernelCopy::Result::Cloned:
        NativeFile::copyPermissions(source, destination);
        return !options.hash || hash.finish(nullptr);
    case KernelCopy::Result::Failed:
        return false;
    case KernelCopy::Result::Unsupported:
        break;
    }
    if (!copyBytes(source, destination, options)) {
        return false;
    }
    NativeFile::copyPermissions(source, destination);
    return true;
}

bool FileCopier::copyNew(const QString &source, const QString &destination,
                         const CopyOptions &options)
{
    // Anything there, a link to nothing included, stays.
    if (NativeFile::entry(destination).exists) {
        return false;
    }
    return copy(source, destination, options);
}

bool FileCopier::move(const QString &source, const QString &destination, const CopyOptions &options)
{
    const QFileInfo from(source);
    if (!from.isFile() || NativeFile::isLinkOrJunction(from)) {
        return false;
    }
    const QString aside = secondNameOfLarge(source, destination, options);
    if (NativeFile::replace(source, destination)) {
        if (!aside.isEmpty()) {
            remove(aside, options);
        }
        return !options.hash || hashInPlace(destination, options);
    }
    if (!aside.isEmpty()) {
        NativeFile::remove(aside);
    }
    return moveByCopy(source, destination, options);
}

bool FileCopier::remove(const QString &path, const CopyOptions &options)
{
    // Freeing a piece costs about the same whatever its size up to some tens
    // of megabytes: smaller pieces would make the whole delete slower.
    const qint64 piece = qMax(options.step, qint64(32) << 20);
    const QFileInfo file(path);
    // A file with another name somewhere keeps its bytes there: shrinking it
    // would empty that other name too.
    if (options.progress && file.isFile() && !NativeFile::isLinkOrJunction(file) &&
        file.size() > piece && NativeFile::linkCount(path) == 1) {
        // Shrunk from the end, so that the file system frees the blocks in
        // parts and the progress gets a turn between them.
        NativeFile::makeWritable(path);
        QFile shrinking(path);
        if (shrinking.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
            const qint64 total = file.size();
            for (qint64 size = total - piece; size > 0; size -= piece) {
                if (!shrinking.resize(size)) {
                    break;
                }
                options.progress(total - size, total);
            }
        }
    }
    return NativeFile::remove(path);
}
