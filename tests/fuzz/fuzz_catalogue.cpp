// The catalogue reader on any file. A file in the writer's own layout is read
// in one pass, anything else as a document tree; the same catalogue with a
// comment in it can only go the second way, so both readings must agree.
// A file that reads must take every change and read back as memory holds it;
// one that does not read must refuse every change and stay as it was.

#include "fuzzsupport.h"

#include "catalogue/modcfg.h"

#include <QDir>
#include <QDomDocument>
#include <QSet>

namespace {

const QString kNewMod = QStringLiteral("fuzz-new");
const QString kNewPath = QStringLiteral("/game/abdata/fuzz & <new>.unity3d");

// Whether a mod element shares its id with another: the writers change the
// first of them, while memory holds one record per id.
bool hasRepeatedIds(const QByteArray &bytes)
{
    QDomDocument doc;
    if (!doc.setContent(bytes)) {
        return false;
    }
    QSet<QString> seen;
    const QDomElement root = doc.documentElement();
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const QString id = e.attribute(QStringLiteral("id"));
        if (seen.contains(id)) {
            return true;
        }
        seen.insert(id);
    }
    return false;
}

QString describe(const QMap<QString, ModRecord> &mods)
{
    QStringList lines;
    for (auto it = mods.cbegin(); it != mods.cend(); ++it) {
        lines << QStringLiteral("[%1] info=[%2] time=[%3] install=%4")
                     .arg(it.key(), it.value().info, it.value().time)
                     .arg(it.value().install);
        for (const QList<FileItem> *items : {&it.value().replace, &it.value().add}) {
            for (const FileItem &item : *items) {
                lines << QStringLiteral("  %1 [%2]").arg(item.order).arg(item.path);
            }
            lines << QStringLiteral("  --");
        }
    }
    return lines.join(QLatin1Char('\n'));
}

void checkRefusesEverything(ModCfg &catalogue, const QString &file, const QByteArray &input)
{
    FUZZ_REQUIRE(!catalogue.addItem(kNewMod, kNewPath, false), file);
    FUZZ_REQUIRE(!catalogue.setInstall(kNewMod, true), file);
    FUZZ_REQUIRE(!catalogue.deleteMod(kNewMod), file);
    FUZZ_REQUIRE(!catalogue.applyChanges({{kNewMod, ModRecord()}}), file);
    FUZZ_REQUIRE(TestFiles::read(file) == input, QStringLiteral("an unreadable catalogue changed"));
}

void checkInstalledCounts(const ModCfg &catalogue)
{
    QHash<QString, int> expected;
    for (const ModRecord &record : catalogue.m_mods) {
        if (record.install == 0) {
            continue;
        }
        for (const QList<FileItem> *items : {&record.add, &record.replace}) {
            for (const FileItem &item : *items) {
                ++expected[item.path];
            }
        }
    }
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        FUZZ_REQUIRE(catalogue.installedItemCount(it.key()) == it.value(), it.key());
    }
}

// One change of each kind, in the layout while it lasts; each must succeed on
// a catalogue that was read.
void change(ModCfg &catalogue)
{
    const QString first = catalogue.m_mods.isEmpty() ? kNewMod : catalogue.m_mods.firstKey();
    const QString last = catalogue.m_mods.isEmpty() ? kNewMod : catalogue.m_mods.lastKey();
    FUZZ_REQUIRE(catalogue.addItem(kNewMod, kNewPath, false), QStringLiteral("addItem"));
    FUZZ_REQUIRE(catalogue.setInstall(first, catalogue.m_mods.value(first).install == 0),
                 QStringLiteral("setInstall"));
    FUZZ_REQUIRE(catalogue.setInfo(first, QStringLiteral("注释 \"quoted\"\n")),
                 QStringLiteral("setInfo"));
    ModRecord changed = catalogue.m_mods.value(last);
    changed.add.append({3, QStringLiteral("/game/UserData/c.png")});
    // Refused only for a text the file's reader took but XML cannot carry
    // (a control character written by hand), and then with nothing changed.
    const QByteArray before = TestFiles::read(catalogue.m_cfgPath);
    const QMap<QString, ModRecord> memory = catalogue.m_mods;
    if (!catalogue.applyChanges({{last, changed}})) {
        FUZZ_REQUIRE(TestFiles::read(catalogue.m_cfgPath) == before && catalogue.m_mods == memory,
                     QStringLiteral("a refused applyChanges changed something"));
    }
    FUZZ_REQUIRE(catalogue.deleteMod(kNewMod), QStringLiteral("deleteMod"));
    // An empty path is left to the document tree: the catalogue leaves its layout.
    FUZZ_REQUIRE(
        catalogue.addItems(kNewMod, {{QStringLiteral("/game/b.txt"), true}, {QString(), false}}),
        QStringLiteral("addItems"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString folder = Fuzz::freshFolder();
    const QByteArray input = Fuzz::bytes(data, size);

    ModCfg catalogue(folder); // its own game's file is not there yet
    const QString file = catalogue.m_cfgPath;
    TestFiles::write(file, input);
    if (!catalogue.load()) {
        checkRefusesEverything(catalogue, file, input);
        return 0;
    }
    checkInstalledCounts(catalogue);

    // After the declaration, where a comment cannot change what follows (bytes
    // after the root element, which the tree reader passes over, could).
    const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    ModCfg tolerant(folder + QStringLiteral("/tolerant"));
    if (input.startsWith(declaration) &&
        TestFiles::write(tolerant.m_cfgPath, declaration + "<!-- edited by hand -->\n" +
                                                 input.mid(declaration.size()))) {
        FUZZ_REQUIRE(tolerant.load(), QStringLiteral("read without the comment only"));
        FUZZ_REQUIRE(tolerant.m_mods == catalogue.m_mods,
                     describe(catalogue.m_mods) + QStringLiteral("\n-- as a tree --\n") +
                         describe(tolerant.m_mods));
    }

    const bool repeatedIds = hasRepeatedIds(input);
    change(catalogue);
    checkInstalledCounts(catalogue);
    if (!repeatedIds) {
        ModCfg reread(folder);
        FUZZ_REQUIRE(reread.m_mods == catalogue.m_mods, describe(catalogue.m_mods) +
                                                            QStringLiteral("\n-- read back --\n") +
                                                            describe(reread.m_mods));
    }
    return 0;
}
