#ifndef VELDANE_DEPLOY_MODVERIFIER_H
#define VELDANE_DEPLOY_MODVERIFIER_H

#include "deploy/commandcontext.h"
#include "deploy/modfilecheck.h"

#include <QList>
#include <QString>

// Compares the game files of installed mods with what their installs
// recorded; only a stack's top file is the mod's in the game. Reads only.
class ModVerifier
{
public:
    explicit ModVerifier(const CommandContext &context) : m_context(context) {}

    // One mod, or every installed mod when `id` is empty.
    QList<ModFileCheck> verify(const QString &id) const;

private:
    const CommandContext &m_context;
};

#endif
