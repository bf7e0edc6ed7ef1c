#include "deploy/modsource.h"

#include "log/ceasylog.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

ModSource::ModSource(const QString &path) : m_path(QFileInfo(path).absoluteFilePath()) {}

ModSource::~ModSource()
{
    if (m_unpacked && !m_unpacked->remove()) {
        CEasyLog::instance()->write(QStringLiteral("[TempFolderError]:") +
                                    QDir::toNativeSeparators(m_unpacked->path()));
    }
}

bool ModSource::isModSource(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() || (info.isFile() && ArchiveExtractor::isArchiveFile(path));
}

bool ModSource::isArchive() const
{
    return !QFileInfo(m_path).isDir();
}

QString ModSource::suggestedName() const
{
    const QFileInfo info(m_path);
    return info.isDir() ? info.fileName() : info.completeBaseName();
}

bool ModSource::prepare(const ArchiveExtractor::Progress &progress)
{
    if (!isModSource(m_path)) {
        m_failure = Failure::NotAModSource;
        return false;
    }
    if (!isArchive()) {
        m_folder = m_path;
        return true;
    }
    m_unpacked =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/veldane-XXXXXX"));
    if (!m_unpacked->isValid()) {
        m_failure = Failure::NoTempFolder;
        m_detail = m_unpacked->errorString();
        m_unpacked.reset();
        return false;
    }
    ArchiveExtractor extractor;
    extractor.setProgress(progress);
    if (!extractor.extract(m_path, m_unpacked->path())) {
        m_failure = Failure::Unpacking;
        m_archiveFailure = extractor.outcome();
        return false;
    }
    // The install keeps its copy from the unpacked tree, so the archive is not
    // needed for a reinstall and the folder can go afterwards.
    m_folder = ArchiveExtractor::modFolder(m_unpacked->path());
    return true;
}
