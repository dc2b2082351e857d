#include "ui/cloudplay/cloudplay.h"

#include "ui/cloudplay/cloudplaywindow.h"
#include "ui/cloudplay/webviewbrowser.h"
#include "ui/windowregistry.h"

#include <QCoreApplication>

namespace jiujiu {
namespace {

CloudPlayWindow *RegisteredWindow()
{
    return qobject_cast<CloudPlayWindow *>(LoadedWindow(CloudPlayWindow::Reference.window));
}

// A window the user closed lives on until its deferred deletion runs. Finish it now, so that
// it is not taken for the loaded window. Qt holds the deletion back when it was asked for
// further out than we are now (a nested event loop began since): then the window is taken back
// as if loaded afresh. Qt posts an object's deferred deletion only once, so that window is
// reused by later loads instead of destroyed.
void FinishClosedWindow()
{
    CloudPlayWindow *window = RegisteredWindow();
    if (!window || !window->isClosed())
        return;
    QCoreApplication::sendPostedEvents(window, QEvent::DeferredDelete);
    if ((window = RegisteredWindow()) && window->isClosed()) {
        QCoreApplication::removePostedEvents(window, QEvent::DeferredDelete);
        window->reopen();
    }
}

} // namespace

CloudPlayWindow *CurrentCloudPlayWindow()
{
    CloudPlayWindow *window = RegisteredWindow();
    return window && !window->isClosed() ? window : nullptr;
}

bool IsCloudPlayWindowLoaded()
{
    return CurrentCloudPlayWindow() != nullptr;
}

void ShowCloudPlayPage(const Text &address)
{
    static const bool registered = (RegisterCloudPlayWindowDescription(), true);
    (void)registered;
    FinishClosedWindow();
    // No parent and other windows stay enabled: not modal, no owner.
    if (!IsWindowLoaded(CloudPlayWindow::Reference))
        LoadWindow(CloudPlayWindow::Reference, std::nullopt, false);
    if (CloudPlayWindow *window = CurrentCloudPlayWindow())
        BrowserNavigate(*window->browser(), address);
}

} // namespace jiujiu
