#include "deploy/journal.h"

#include "catalogue/modcfg.h"
#include "log/ceasylog.h"
#include "state/gamemanifest.h"

#include <QDataStream>
#include <QFileInfo>
#include <QIODevice>

// Bumped whenever the layout below changes; older entries are not replayed.
static const quint32 kFormat = 0x564a0003;
// Entries written before archives were unpacked beside the kept copies.
static const quint32 kFormatWithoutUnpack = 0x564a0002;

// A list read from a stored entry. QDataStream reserves room for as many
// elements as a list's count says before it reads them, so a damaged count
// would ask for gigabytes and end the program at every start. Each element
// takes at least one byte, so a count beyond the bytes left is damage.
namespace {

template<typename List> struct Bounded
{
    List &list;
};

template<typename List> Bounded<List> bounded(List &list)
{
    return Bounded<List>{list};
}

template<typename List> QDataStream &operator>>(QDataStream &in, Bounded<List> target)
{
    target.list.clear();
    quint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok || count > quint64(in.device()->bytesAvailable())) {
        in.setStatus(QDataStream::ReadCorruptData);
        return in;
    }
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        typename List::value_type value;
        in >> value;
        target.list.append(value);
    }
    return in;
}

} // namespace

// Global and static: QDataStream's container operators find these through
// the argument types' (global) namespace.
static QDataStream &operator<<(QDataStream &out, const FileItem &item)
{
    return out << qint32(item.order) << item.path;
}

static QDataStream &operator>>(QDataStream &in, FileItem &item)
{
    qint32 order = 0;
    in >> order >> item.path;
    item.order = order;
    return in;
}

static QDataStream &operator<<(QDataStream &out, const ModRecord &record)
{
    return out << record.info << record.time << qint32(record.install) << record.replace
               << record.add;
}

static QDataStream &operator>>(QDataStream &in, ModRecord &record)
{
    qint32 install = 0;
    in >> record.info >> record.time >> install >> bounded(record.replace) >> bounded(record.add);
    record.install = install;
    return in;
}

static QDataStream &operator<<(QDataStream &out, const FileAction &action)
{
    return out << qint32(action.kind) << action.path << action.backup << action.upperMod
               << action.upperBackup << action.changed << action.keepChanged << action.setAside;
}

static QDataStream &operator>>(QDataStream &in, FileAction &action)
{
    qint32 kind = 0;
    in >> kind >> action.path >> action.backup >> action.upperMod >> action.upperBackup >>
        action.changed >> action.keepChanged >> action.setAside;
    action.kind = FileAction::Kind(kind);
    return in;
}

static QDataStream &operator<<(QDataStream &out, const PlannedFile &file)
{
    return out << file.source << file.target << file.backup << file.keptCopy << file.replaced;
}

static QDataStream &operator>>(QDataStream &in, PlannedFile &file)
{
    return in >> file.source >> file.target >> file.backup >> file.keptCopy >> file.replaced;
}

Journal::Journal(const QString &cataloguePath)
    : m_path(StateDatabase::pathForCatalogue(cataloguePath))
{
}

Journal::Journal(const CommandContext &context)
    : m_path(StateDatabase::pathForCatalogue(context.catalogue.m_cfgPath)), m_context(context)
{
}

StateDatabase &Journal::database()
{
    if (m_context) {
        return m_context->manifest()->database();
    }
    if (!m_database) {
        m_database = std::make_unique<StateDatabase>(m_path);
    }
    return *m_database;
}

bool Journal::opened() const
{
    return m_context ? m_context->sharedManifest != nullptr : m_database != nullptr;
}

qint64 Journal::begin(const JournalEntry &entry)
{
    return database().addEntry(encode(entry));
}

bool Journal::finish(qint64 id)
{
    return id == 0 || database().removeEntry(id);
}

QList<JournalEntry> Journal::unfinished()
{
    QList<JournalEntry> result;
    if (!opened() && !QFileInfo::exists(m_path)) {
        return result;
    }
    for (const auto &row : database().entries()) {
        JournalEntry entry;
        if (!decode(row.second, entry)) {
            CEasyLog::instance()->write(
                QStringLiteral("[JournalError]:unreadable entry %1 dropped").arg(row.first));
            database().removeEntry(row.first);
            continue;
        }
        entry.id = row.first;
        result << entry;
    }
    return result;
}

QByteArray Journal::encode(const JournalEntry &entry)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << kFormat << qint32(entry.command) << entry.mod << entry.backupFolder << entry.keptFolder
        << entry.source << entry.targetRoot << entry.backupRoot << entry.keptRoot
        << entry.backupFolderExisted << entry.keptFolderExisted << entry.folders << entry.files
        << entry.sizes << entry.backupExisted << entry.changed << entry.actions
        << entry.wasInstalled << entry.keptFolders << entry.unpackFolder;
    return payload;
}

bool Journal::decode(const QByteArray &payload, JournalEntry &entry)
{
    QDataStream in(payload);
    in.setVersion(QDataStream::Qt_5_15);
    quint32 format = 0;
    qint32 command = 0;
    in >> format;
    if (format != kFormat && format != kFormatWithoutUnpack) {
        return false;
    }
    in >> command >> entry.mod >> entry.backupFolder >> entry.keptFolder >> entry.source >>
        entry.targetRoot >> entry.backupRoot >> entry.keptRoot >> entry.backupFolderExisted >>
        entry.keptFolderExisted >> bounded(entry.folders) >> bounded(entry.files) >>
        bounded(entry.sizes) >> bounded(entry.backupExisted) >> entry.changed >>
        bounded(entry.actions) >> entry.wasInstalled >> bounded(entry.keptFolders);
    if (format == kFormat) {
        in >> entry.unpackFolder;
    }
    entry.command = JournalEntry::Command(command);
    return in.status() == QDataStream::Ok && command >= JournalEntry::Install &&
           command <= JournalEntry::Unpack && entry.sizes.size() == entry.files.size() &&
           entry.backupExisted.size() == entry.files.size();
}
