#ifndef VELDANE_DEPLOY_ARCHIVEINSTALL_H
#define VELDANE_DEPLOY_ARCHIVEINSTALL_H

#include "deploy/commandcontext.h"
#include "deploy/commandreport.h"
#include "deploy/journalentry.h"

#include <QString>

class ArchiveExtractor;
class Journal;

// Install from a zip, 7z or rar archive: checked, unpacked beside the kept
// copies under an entry of its own, renamed into the kept copy where one
// rename does it, and installed from there as a mod folder is.
class ArchiveInstall
{
public:
    explicit ArchiveInstall(const CommandContext &context) : m_context(context) {}

    CommandReport install(const QString &archive, const QString &id, Journal &journal) const;

    static bool isArchive(const QString &source);
    static CommandReport check(const QString &archive);

private:
    bool unpackInto(ArchiveExtractor &extractor, const QString &archive,
                    const QString &folder) const;
    CommandReport installUnpacked(const JournalEntry &unpack, Journal &journal) const;

    const CommandContext &m_context;
};

#endif
