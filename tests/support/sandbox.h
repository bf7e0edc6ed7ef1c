#ifndef VELDANE_TESTS_SANDBOX_H
#define VELDANE_TESTS_SANDBOX_H

// One game's world in a fresh working directory, for every test that runs
// mod commands: Veldane.ini naming the game and its folder, the game folder,
// mod folders to install from, and the catalogue, backup root and mod store
// the commands write. Snapshots compare whole trees.

#include "catalogue/modcfg.h"
#include "deploy/gamelayout.h"
#include "deploy/modcommands.h"
#include "support/testsupport.h"

#include <QByteArray>
#include <QMap>
#include <QString>

using FileMap = QMap<QString, QByteArray>;

class Sandbox
{
public:
    // A window makes the catalogue itself; the engine's tests want it there.
    enum Catalogue
    {
        WithCatalogue,
        NoCatalogue
    };

    // `globalSettings` are lines added to the [Global] group of Veldane.ini.
    explicit Sandbox(Catalogue catalogue = WithCatalogue,
                     const QString &game = QStringLiteral("HoneySelect"),
                     const QByteArray &globalSettings = QByteArray());

    GameLayout layout() const { return GameLayout(gamePath, bakRoot, modStore); }
    ModCommands commands() { return ModCommands(catalogue, layout()); }

    // Writes the files of a mod folder below src/ and returns its path.
    QString mod(const QString &name, const FileMap &files) const;
    void writeGame(const FileMap &files) const;
    // Rewrites a game file as an update or an editor would, a minute later
    // than the install, so that only the content can tell; or with the time
    // it had, as a tool that keeps times does, so that only the size can.
    void change(const QString &relative, const QByteArray &content, bool keepTime = false) const;

    // The game file with this "/" relative path, as the catalogue records it.
    QString game(const QString &relative) const;

    // Files only (folders left behind by an uninstall are expected).
    static FileMap files(const QString &root) { return TestFiles::fileSnapshot(root); }
    FileMap gameFiles() const { return files(gamePath); }
    FileMap kept(const QString &mod) const;
    FileMap backups(const QString &mod) const;
    // Set-aside files by their game path, below <mod>/<time of the command>.
    FileMap setAside() const;

    QString log() const;

    ScopedWorkingDir dir;
    ModCfg catalogue;
    QString gameName;
    QString gamePath;
    QString bakRoot;
    QString modStore;
};

#endif
