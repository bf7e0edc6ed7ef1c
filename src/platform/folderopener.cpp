#include "platform/folderopener.h"

namespace FolderOpener {

void openFolder(const QString &folder)
{
    Q_UNUSED(folder);
}

} // namespace FolderOpener
