#include "deploy/filecopier.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace {

bool copyContent(QFile &in, QFile &out)
{
    // On the stack: game files are mostly small, and a heap buffer of this
    // size would be mapped and unmapped again for every file.
    static constexpr qint64 chunkSize = 64 * 1024;
    char buffer[chunkSize];
    for (;;) {
        const qint64 read = in.read(buffer, chunkSize);
        if (read < 0) {
            return false;
        }
        if (read == 0) {
            return true;
        }
        if (out.write(buffer, read) != read) {
            return false;
        }
    }
}

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}

} // namespace

bool FileCopier::copy(const QString &source, const QString &destination)
{
    // Few system calls per file: with thousands of small files the checks
    // cost more than the copying.
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path from = fsPath(source);
    const fs::path to = fsPath(destination);
    const fs::file_status existing = fs::symlink_status(to, error);
    if (fs::is_symlink(existing)) {
        if (!fs::remove(to, error)) {
            return false;
        }
    } else if (fs::exists(existing) && fs::equivalent(from, to, error)) {
        // Opening the destination would truncate the very file being read.
        return true;
    }
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return false;
    }
    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        return false;
    }
    const bool copied = copyContent(in, out);
    out.close();
    if (!copied || out.error() != QFileDevice::NoError) {
        return false;
    }
    const fs::file_status status = fs::status(from, error);
    if (!error) {
        fs::permissions(to, status.permissions(), error);
    }
    return true;
}

bool FileCopier::copyNew(const QString &source, const QString &destination)
{
    const QFileInfo existing(destination);
    if (existing.exists() || existing.isSymLink()) {
        return false;
    }
    return copy(source, destination);
}

bool FileCopier::move(const QString &source, const QString &destination)
{
    const QFileInfo from(source);
    if (!from.isFile() || from.isSymLink()) {
        return false;
    }
    std::error_code error;
    std::filesystem::rename(fsPath(source), fsPath(destination), error);
    if (!error) {
        return true;
    }
    // Another drive, or a system that refuses to rename over a file: copy
    // beside the destination first, so a failure cannot leave it half written.
    const QString partial = destination + QStringLiteral(".veldane-part");
    if (!copy(source, partial)) {
        QFile::remove(partial);
        return false;
    }
    std::filesystem::rename(fsPath(partial), fsPath(destination), error);
    if (error) {
        QFile::remove(destination);
        std::filesystem::rename(fsPath(partial), fsPath(destination), error);
        if (error) {
            QFile::remove(partial);
            return false;
        }
    }
    QFile::remove(source);
    return true;
}
