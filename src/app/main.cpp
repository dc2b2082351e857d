// Program entry: the application object, the Qt user-interface services, the main window and
// the message loop.

#include "runtime/codepage.h"
#include "runtime/fatalerror.h"
#include "runtime/uiservices.h"
#include "ui/mainwindow.h"
#include "ui/qtuiservices.h"
#include "ui/windowregistry.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);

    jiujiu::QtUiServices services;
    jiujiu::SetUiServices(&services);

    jiujiu::RegisterMainWindowDescription();
    if (!jiujiu::LoadWindow(jiujiu::MainWindow::Reference)) {
        static const jiujiu::Text message = jiujiu::Utf8ToText("载入启动窗口失败");
        jiujiu::FatalError(message);
    }
    const int code = QApplication::exec();

    jiujiu::SetUiServices(nullptr);
    return code;
}
