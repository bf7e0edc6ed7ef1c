#include "catalogue/modcfg.h"

#include <QFile>

ModCfg::ModCfg(QObject *parent) : QObject(parent)
{
    m_gameName = QStringLiteral("HoneySelect");
    m_cfgPath = QStringLiteral("./config/%1.xml").arg(m_gameName);
    load();
}

ModCfg::~ModCfg() = default;

void ModCfg::setGame(const QString &game)
{
    m_gameName = game;
    m_cfgPath = QStringLiteral("./config/%1.xml").arg(m_gameName);
    m_mods.clear();
    load();
}

bool ModCfg::load()
{
    return false;
}

bool ModCfg::exists() const
{
    return QFile::exists(m_cfgPath);
}

bool ModCfg::create()
{
    return false;
}

bool ModCfg::addItem(const QString &, const QString &, bool)
{
    return false;
}

bool ModCfg::addItems(const QString &, const QList<RecordedFile> &)
{
    return false;
}

bool ModCfg::setInstall(const QString &, bool)
{
    return false;
}

bool ModCfg::setInfo(const QString &, const QString &)
{
    return false;
}

bool ModCfg::deleteMod(const QString &)
{
    return false;
}

bool ModCfg::applyChanges(const QMap<QString, ModRecord> &, const QStringList &)
{
    return false;
}

int ModCfg::installedItemCount(const QString &) const
{
    return 0;
}
