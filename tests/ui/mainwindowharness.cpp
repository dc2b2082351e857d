#include "mainwindowharness.h"

#include "runtime/codepage.h"
#include "ui/mainwindow.h"
#include "ui/windowregistry.h"

namespace jiujiu::test {

bool MainWindowHarness::loadMainWindow()
{
    qputenv("JIUJIU_SITE_HOST", "jiujiu.example");
    qunsetenv("JIUJIU_STATS_HOST");
    services.setAnswerer([this](const Text &text, int, const Text &) {
        boxes.push_back(TextToUtf8(text));
        return answer;
    });
    m_previousServices = SetUiServices(&services);
    m_previousOpener = SetAddressOpener([this](const std::string &a) { opened.push_back(a); });
    RegisterMainWindowDescription();
    if (!LoadWindow(MainWindow::Reference))
        return false;
    window = qobject_cast<MainWindow *>(LoadedWindow(MainWindow::Reference.window));
    if (!window || !QTest::qWaitForWindowExposed(window))
        return false;
    window->setCurrentPage(1);
    list = &window->resultList();
    return true;
}

void MainWindowHarness::unloadMainWindow()
{
    delete LoadedWindow(MainWindow::Reference.window);
    window = nullptr;
    list = nullptr;
    SetAddressOpener(m_previousOpener);
    SetUiServices(m_previousServices);
    qunsetenv("JIUJIU_SITE_HOST");
}

} // namespace jiujiu::test
