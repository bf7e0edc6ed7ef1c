#include "config/languagesetting.h"
#include "gui/mainwindow.h"
#include "config/translationloader.h"
#include "platform/singleinstanceguard.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Before any window exists: the windows take their texts when built.
    TranslationLoader::apply(LanguageSetting::read());
    SingleInstanceGuard guard;
    if (!guard.claim()) {
        return 0;
    }
    int code = 0;
    {
        MainWindow window;
        if (!window.isReady()) {
            return 0;
        }
        window.show();
        code = app.exec();
    }
    return code;
}
