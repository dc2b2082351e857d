#include "ui/cloudplay/webviewbrowser.h"

#include "ui/qttext.h"

#include <QUrl>

namespace jiujiu {

WebViewBrowser::WebViewBrowser(QWidget *parent) : QWebEngineView(parent) {}

WebViewBrowser::~WebViewBrowser() = default;

void WebViewBrowser::navigate(const Text &address, const Text &)
{
    load(BrowserUrl(address));
}

QUrl BrowserUrl(const Text &address)
{
    const QString text = ToQString(address).trimmed();
    if (text.isEmpty())
        return QUrl(QStringLiteral("about:blank"));
    // An address with a scheme is taken as it is; fromUserInput would accept it too, but might
    // take it for a local path.
    const QUrl url(text, QUrl::TolerantMode);
    if (url.isValid() && url.scheme().size() > 1) // "c:\x" is a drive, not a scheme
        return url;
    return QUrl::fromUserInput(text);
}

} // namespace jiujiu
