#ifndef VELDANE_DEPLOY_MODSOURCE_H
#define VELDANE_DEPLOY_MODSOURCE_H

#include "deploy/archiveextractor.h"

#include <QString>

#include <memory>

class QTemporaryDir;

// A mod folder, or a zip, 7z or rar archive, as a folder to look at without
// installing it (the command-line tool's dry run), and the name a front end
// offers for it. A folder is used as it is; an archive is unpacked into a
// temporary folder that lives as long as this object, and its single top-level
// folder is unwrapped (ArchiveExtractor::modFolder), as ModCommands::install
// unpacks it into the kept copy.
class ModSource
{
public:
    enum class Failure
    {
        None,
        NotAModSource, // neither a folder nor an archive of a known type
        NoTempFolder,  // the temporary folder could not be made; the detail is the system's word
        Unpacking,     // the archive was refused or damaged; see archiveFailure()
    };

    explicit ModSource(const QString &path);
    // Removes the unpacked files; a temporary folder that stays behind is
    // logged.
    ~ModSource();
    ModSource(const ModSource &) = delete;
    ModSource &operator=(const ModSource &) = delete;

    // A folder, or a file of a type ArchiveExtractor unpacks.
    static bool isModSource(const QString &path);
    bool isArchive() const;

    // Unpacks an archive (nothing to do for a folder). `progress` gets the
    // unpacked share in per mille.
    bool prepare(const ArchiveExtractor::Progress &progress = ArchiveExtractor::Progress());

    // The folder to install, once prepared.
    QString folder() const { return m_folder; }
    // The name the user is offered: the folder's name or the archive's name
    // without its extension.
    QString suggestedName() const;

    // The folder or archive, absolute.
    QString path() const { return m_path; }
    Failure failure() const { return m_failure; }
    // Why prepare() failed, worded by CommandMessages::sourceFailure.
    Outcome<Failure> outcome() const { return Outcome<Failure>(m_failure, m_detail); }
    // Unpacking: why the archive was refused, with the entry or file at fault.
    Outcome<ArchiveExtractor::Failure> archiveFailure() const { return m_archiveFailure; }

private:
    QString m_path;
    QString m_folder;
    std::unique_ptr<QTemporaryDir> m_unpacked;
    Failure m_failure = Failure::None;
    QString m_detail;
    Outcome<ArchiveExtractor::Failure> m_archiveFailure;
};

#endif
