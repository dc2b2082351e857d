#pragma once

#include "net/openaddress.h"
#include "runtime/uiservices.h"
#include "ui/qtuiservices.h"

#include <QTest>
#include <string>
#include <vector>

namespace jiujiu {
class MainWindow;
class ReportListView;
} // namespace jiujiu

namespace jiujiu::test {

// The real main window for a fixture: message boxes answered with `answer` and recorded,
// opened addresses recorded instead of handed to the desktop, the result page current.
class MainWindowHarness
{
protected:
    // False when the window could not be loaded and shown.
    bool loadMainWindow();
    // Deletes the window and puts the services and settings back.
    void unloadMainWindow();

    QtUiServices services;
    int answer = IdOk;
    std::vector<std::string> boxes;
    std::vector<std::string> opened;
    MainWindow *window = nullptr;
    ReportListView *list = nullptr;

private:
    UiServices *m_previousServices = nullptr;
    AddressOpener m_previousOpener;
};

// Runs the event loop until the condition holds; false after `ms` without.
template <class Condition>
bool WaitFor(Condition condition, int ms = 5000)
{
    for (int waited = 0; waited < ms; waited += 10) {
        if (condition())
            return true;
        QTest::qWait(10);
    }
    return condition();
}

} // namespace jiujiu::test
