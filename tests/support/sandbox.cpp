#include "support/sandbox.h"

#include "log/ceasylog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

Sandbox::Sandbox(Catalogue catalogue, const QString &game, const QByteArray &globalSettings)
    : gameName(game)
{
    gamePath = dir.filePath(QStringLiteral("game")) + QDir::separator();
    QDir().mkpath(gamePath);
    bakRoot = QDir::toNativeSeparators(dir.filePath(QStringLiteral("data/") + game));
    modStore = dir.filePath(QStringLiteral("mod/") + game);
    TestFiles::write(dir.filePath(QStringLiteral("Veldane.ini")),
                     "[Global]\nSelect=" + game.toUtf8() + "\n" + globalSettings + "[" +
                         game.toUtf8() +
                         "]\nGamePath=" + QDir::fromNativeSeparators(gamePath).toUtf8() + "\n");
    if (catalogue == WithCatalogue) {
        QDir().mkdir(QStringLiteral("config"));
        this->catalogue.setGame(game);
        this->catalogue.create();
    }
}

QString Sandbox::mod(const QString &name, const FileMap &files) const
{
    const QString root = dir.filePath(QStringLiteral("src/") + name);
    QDir().mkpath(root);
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        TestFiles::write(root + QLatin1Char('/') + it.key(), it.value());
    }
    return root;
}

void Sandbox::writeGame(const FileMap &files) const
{
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        TestFiles::write(game(it.key()), it.value());
    }
}

void Sandbox::change(const QString &relative, const QByteArray &content, bool keepTime) const
{
    const QString path = gamePath + relative;
    const QDateTime recorded = QFileInfo(path).lastModified();
    TestFiles::write(path, content);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(keepTime ? recorded : QDateTime::currentDateTime().addSecs(60),
                             QFileDevice::FileModificationTime));
}

QString Sandbox::game(const QString &relative) const
{
    return GameLayout::join(layout().gameRoot(), TestFiles::native(relative));
}

FileMap Sandbox::kept(const QString &mod) const
{
    return files(dir.filePath(QStringLiteral("mod/%1/%2").arg(gameName, mod)));
}

FileMap Sandbox::backups(const QString &mod) const
{
    return files(dir.filePath(QStringLiteral("data/%1/%2").arg(gameName, mod)));
}

FileMap Sandbox::setAside() const
{
    FileMap result;
    const FileMap all = files(dir.filePath(QStringLiteral("data/%1/Veldane留存").arg(gameName)));
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        result.insert(it.key().section(QLatin1Char('/'), 2), it.value());
    }
    return result;
}

QString Sandbox::log() const
{
    return QString::fromLocal8Bit(TestFiles::read(CEasyLog::todayFilePath()));
}
