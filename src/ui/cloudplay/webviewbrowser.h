#pragma once

#include "ui/browsercontrol.h"

#include <QWebEngineView>

class QUrl;

namespace jiujiu {

// The cloud-play window's browser control over the web engine. Navigation starts the load and
// returns; the page shows its own errors.
class WebViewBrowser final : public QWebEngineView, public BrowserControl
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebViewBrowser)

public:
    explicit WebViewBrowser(QWidget *parent = nullptr);
    ~WebViewBrowser() override;

    // This engine cannot aim a load at a named frame; the frame is not used (the program never
    // names one).
    void navigate(const Text &address, const Text &frame) override;
};

// The address as the web engine takes it. Only what the URL class insists on is rewritten: a
// missing scheme is guessed ("www.x" becomes http://www.x), characters that cannot stand in a
// URL ("|", spaces, non-ASCII, a stray "%") travel percent-encoded as UTF-8; what is already
// percent-encoded stays as it is. Empty is about:blank.
QUrl BrowserUrl(const Text &address);

} // namespace jiujiu
