#include "platform/gameregistry.h"

namespace GameRegistry {

QString installDir(const QString &game)
{
    Q_UNUSED(game);
    return QString();
}

} // namespace GameRegistry
