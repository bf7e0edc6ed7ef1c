#ifndef VELDANE_TESTS_TST_DEPLOYFIXTURE_H
#define VELDANE_TESTS_TST_DEPLOYFIXTURE_H

// A game folder, a catalogue, a backup root and a mod store in a fresh working
// directory, shared by the deployment tests.

#include "catalogue/modcfg.h"
#include "deploy/gamelayout.h"
#include "deploy/modcommands.h"
#include "log/ceasylog.h"
#include "support/testsupport.h"

#include <QDir>
#include <QMap>
#include <QString>

using FileMap = QMap<QString, QByteArray>;

class DeployFixture
{
public:
    DeployFixture()
    {
        QDir().mkdir(QStringLiteral("config"));
        catalogue.setGame(QStringLiteral("HoneySelect"));
        catalogue.create();
        gamePath = dir.filePath(QStringLiteral("game")) + QDir::separator();
        QDir().mkpath(gamePath);
        bakRoot = QDir::toNativeSeparators(dir.filePath(QStringLiteral("data/HoneySelect")));
        modStore = dir.filePath(QStringLiteral("mod/HoneySelect"));
    }

    GameLayout layout() const { return GameLayout(gamePath, bakRoot, modStore); }
    ModCommands commands() { return ModCommands(catalogue, layout()); }

    // Writes the files of a mod folder below src/ and returns its path.
    QString mod(const QString &name, const FileMap &files) const
    {
        const QString root = dir.filePath(QStringLiteral("src/") + name);
        QDir().mkpath(root);
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            TestFiles::write(root + QLatin1Char('/') + it.key(), it.value());
        }
        return root;
    }

    void writeGame(const FileMap &files) const
    {
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            TestFiles::write(game(it.key()), it.value());
        }
    }

    // The game file with this "/" relative path, as the catalogue records it.
    QString game(const QString &relative) const
    {
        return GameLayout::join(layout().gameRoot(), TestFiles::native(relative));
    }

    // Files only (folders left behind by an uninstall are expected).
    static FileMap files(const QString &root) { return TestFiles::fileSnapshot(root); }
    FileMap gameFiles() const { return files(gamePath); }

    QString log() const
    {
        return QString::fromLocal8Bit(TestFiles::read(CEasyLog::todayFilePath()));
    }

    ScopedWorkingDir dir;
    ModCfg catalogue;
    QString gamePath;
    QString bakRoot;
    QString modStore;
};

#endif
