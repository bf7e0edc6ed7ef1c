// The name rules and the settings file on any text. A name that passes
// isSafeFolderName is exactly one folder on Windows and Linux, becomes a
// catalogue that reads back, and is stored and found again in the settings; a
// settings file of any content never selects a game whose name is no folder
// name, since the mod store and the backups are folders named after it.

#include "fuzzsupport.h"

#include "catalogue/modcfg.h"
#include "config/foldername.h"
#include "config/gamesettings.h"
#include "config/workspace.h"
#include "deploy/archiveextractor.h"

#include <QDir>

namespace {

void checkRules(const QString &name)
{
    const bool safe = isSafeFolderName(name);
    FUZZ_REQUIRE(safe == (folderNameFault(name) == FolderNameFault::None), name);
    FUZZ_REQUIRE(!isWindowsFileName(name) || !hasReservedCharacter(name), name);
    FUZZ_REQUIRE(ModCfg::isXmlName(ModCfg::rootTagFor(name)), name);
    if (!safe) {
        return;
    }
    FUZZ_REQUIRE(isWindowsFileName(name), name);
    FUZZ_REQUIRE(name.toUtf8().size() <= 255, name);
    const QString inRoot = QStringLiteral("/root/") + name;
    FUZZ_REQUIRE(QDir::cleanPath(inRoot) == inRoot, name);
    QStringList parts;
    FUZZ_REQUIRE(ArchiveExtractor::splitEntryName(name, &parts) ==
                         ArchiveExtractor::Failure::None &&
                     parts == QStringList{name},
                 name);
}

// A game of this name gets a catalogue that reads back, and its folder in the
// settings.
void checkGameName(const QString &folder, const QString &game)
{
    // A name of nearly 255 bytes passes the folder rule, but "<game>.xml" and
    // the temporary file it is written through are then too long for the
    // file system (left as it is: the name rule is shared with the mods).
    if (!isSafeFolderName(game) || game == QLatin1String("Global") ||
        game.toUtf8().size() > 255 - int(sizeof(".xml.XXXXXX"))) {
        return;
    }
    const Workspace workspace(folder);
    QDir().mkpath(workspace.configFolder());
    ModCfg catalogue(workspace.configFolder());
    catalogue.setGame(game);
    FUZZ_REQUIRE(catalogue.create() &&
                     catalogue.addItem(QStringLiteral("m"), QStringLiteral("/p"), false),
                 game);
    ModCfg reread(workspace.configFolder());
    reread.setGame(game);
    FUZZ_REQUIRE(reread.m_mods == catalogue.m_mods, game);

    GameSettings settings(workspace);
    const QString path = QStringLiteral("/games/") + game;
    FUZZ_REQUIRE(settings.setGamePath(game, path), game);
    FUZZ_REQUIRE(settings.gamePath(game) == path,
                 game + QStringLiteral(" -> ") + settings.gamePath(game));
    FUZZ_REQUIRE(settings.games().contains(game), game);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // No game's install folder comes from the machine's own Wine prefix.
    static const bool noPrefix = qputenv("WINEPREFIX", "/nonexistent-wine-prefix");
    Q_UNUSED(noPrefix)
    const QByteArray input = Fuzz::bytes(data, size);
    QStringList names = QString::fromUtf8(input).split(QLatin1Char('\n')).mid(0, 8);
    names << QString::fromUtf16(reinterpret_cast<const char16_t *>(input.constData()),
                                input.size() / 2);
    for (const QString &name : qAsConst(names)) {
        checkRules(name);
    }

    const QString folder = Fuzz::freshFolder();
    const Workspace workspace(folder);
    TestFiles::write(workspace.settingsFile(), input);
    const GameSettings settings(workspace);
    const QString current = settings.currentGame();
    FUZZ_REQUIRE(current.isEmpty() || isSafeFolderName(current), current);
    for (const QString &game : settings.games()) {
        settings.gamePath(game);
        settings.backupRoot(game);
    }
    checkGameName(folder, names.first());
    return 0;
}
