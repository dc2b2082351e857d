// Program entry: the application object, the Qt user-interface services, then the program.

#include "program.h"
#include "runtime/outofmemory.h"
#include "runtime/uiservices.h"
#include "ui/cloudplay/webengineenvironment.h"
#include "ui/qtuiservices.h"

#include <QApplication>

int main(int argc, char **argv)
{
    jiujiu::InstallAllocationFailureHandler();
    jiujiu::PrepareWebEngineEnvironment();
    QApplication app(argc, argv);

    jiujiu::QtUiServices services;
    jiujiu::SetUiServices(&services);
    const int code = jiujiu::ProgramMain();
    jiujiu::SetUiServices(nullptr);
    return code;
}
