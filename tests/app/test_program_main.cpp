#include "runtime/outofmemory.h"
#include "runtime/uiservices.h"
#include "ui/cloudplay/webengineenvironment.h"
#include "ui/qtuiservices.h"

#include <QApplication>
#include <gtest/gtest.h>

jiujiu::QtUiServices *g_services = nullptr;

int main(int argc, char **argv)
{
    // As the program's own entry does: the whole program runs on these allocation functions.
    jiujiu::InstallAllocationFailureHandler();
    jiujiu::PrepareWebEngineEnvironment();
    QApplication app(argc, argv);
    jiujiu::QtUiServices services;
    g_services = &services;
    jiujiu::SetUiServices(&services);
    ::testing::InitGoogleTest(&argc, argv);
    const int code = RUN_ALL_TESTS();
    jiujiu::SetUiServices(nullptr);
    return code;
}
