#include "ui/cloudplay/webviewbrowser.h"

#include "runtime/codepage.h"
#include "runtime/conversions.h"

#include <QUrl>
#include <QWebEngineView>

namespace jiujiu {

Text BrowserTargetAddress(const Text &address, const Value &helpFile)
{
    const Text help = helpFile.isOmitted() ? Text() : ToText(helpFile);
    if (help.empty())
        return address;
    return "its:" + help + "::" + address;
}

QUrl BrowserUrl(const Text &address)
{
    const QString text = QString::fromUtf8(TextToUtf8(address)).trimmed();
    if (text.isEmpty())
        return QUrl(QStringLiteral("about:blank"));
    // An address with a scheme is taken as it is; fromUserInput would also accept it but
    // might reinterpret it as a local path.
    const QUrl url(text, QUrl::TolerantMode);
    if (url.isValid() && url.scheme().size() > 1) // "c:\\x" is a drive, not a scheme
        return url;
    return QUrl::fromUserInput(text);
}

void NavigateWebView(QWebEngineView &view, const Text &address, const Value &helpFile,
                     const Value &frame)
{
    (void)frame;
    view.load(BrowserUrl(BrowserTargetAddress(address, helpFile)));
}

} // namespace jiujiu
