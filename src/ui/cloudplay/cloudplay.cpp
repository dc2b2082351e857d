#include "ui/cloudplay/cloudplay.h"

#include "ui/cloudplay/cloudplaywindow.h"
#include "ui/cloudplay/webviewbrowser.h"

#include <QPointer>

namespace jiujiu {
namespace {

QPointer<CloudPlayWindow> &LoadedWindow()
{
    static QPointer<CloudPlayWindow> window;
    return window;
}

} // namespace

CloudPlayWindow *CurrentCloudPlayWindow()
{
    CloudPlayWindow *window = LoadedWindow().data();
    // A closed window is only waiting for its deferred deletion.
    return window && !window->isClosed() ? window : nullptr;
}

bool IsCloudPlayWindowLoaded()
{
    return CurrentCloudPlayWindow() != nullptr;
}

void ShowCloudPlayPage(const Text &address)
{
    CloudPlayWindow *window = CurrentCloudPlayWindow();
    if (!window) {
        // No owner and not modal: the other windows stay usable.
        window = new CloudPlayWindow;
        LoadedWindow() = window;
        window->show();
    }
    NavigateWebView(*window->browser(), address);
}

} // namespace jiujiu
