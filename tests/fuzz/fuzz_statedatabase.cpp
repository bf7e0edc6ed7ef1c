// The state database opened from any file, and its journal entries decoded
// from any bytes. A file that SQLite cannot use is set aside, never deleted:
// its bytes must be found again under the set-aside name, and a file set aside
// earlier must survive. Whatever opens takes a new entry and gives it back.

#include "fuzzsupport.h"

#include "deploy/journal.h"
#include "state/statedatabase.h"

#include <QFile>

namespace {

const QByteArray kEarlier = "set aside by an earlier start";

QString describe(const QMap<QString, QByteArray> &tree)
{
    QStringList names = tree.keys();
    return names.join(QLatin1Char(' '));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = Fuzz::bytes(data, size);
    JournalEntry decoded;
    Journal::decode(input, decoded);

    const QString folder = Fuzz::freshFolder();
    const QString path = folder + QStringLiteral("/HoneySelect.db");
    TestFiles::write(path, input);
    TestFiles::write(path + QStringLiteral(".unreadable"), kEarlier);

    qint64 added = 0;
    {
        StateDatabase database(path);
        if (database.isOpen()) {
            for (const auto &row : database.entries()) {
                JournalEntry entry;
                Journal::decode(row.second, entry);
            }
            added = database.addEntry("payload");
            FUZZ_REQUIRE(added != 0 || !QFile::exists(path), QStringLiteral("no entry added"));
        }
    }

    const QMap<QString, QByteArray> files = TestFiles::snapshot(folder);
    int earlier = 0;
    int original = 0;
    for (const QByteArray &content : files) {
        earlier += content == kEarlier ? 1 : 0;
        original += content == input ? 1 : 0;
    }
    FUZZ_REQUIRE(earlier >= 1,
                 QStringLiteral("the earlier set-aside file is gone: ") + describe(files));
    // Unless SQLite took the file as a database of its own (and may have
    // written to it), its bytes are still there under some name; a file set
    // aside is exactly what was found.
    FUZZ_REQUIRE(added != 0 || original >= 1,
                 QStringLiteral("the unreadable file is gone: ") + describe(files));
    const QString aside = QStringLiteral("HoneySelect.db.unreadable-2");
    FUZZ_REQUIRE(!files.contains(aside) || files.value(aside) == input,
                 QStringLiteral("the file set aside is not as it was found"));
    // Whatever else SQLite may take for an empty database, this is none.
    const bool foreign = !input.isEmpty() && !input.startsWith(QByteArray("SQLite format 3", 16));
    FUZZ_REQUIRE(!foreign || files.contains(aside),
                 QStringLiteral("a file that is no database was not set aside"));
    if (added != 0) {
        StateDatabase reopened(path);
        bool found = false;
        for (const auto &row : reopened.entries()) {
            found = found || (row.first == added && row.second == "payload");
        }
        FUZZ_REQUIRE(found, QStringLiteral("the new entry is not there"));
    }
    return 0;
}
