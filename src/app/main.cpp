#include "gui/mainwindow.h"
#include "platform/singleinstanceguard.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
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
