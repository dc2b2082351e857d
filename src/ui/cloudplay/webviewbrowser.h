#pragma once

#include "runtime/value.h"

class QUrl;
class QWebEngineView;

namespace jiujiu {

// The address a navigation goes to: "its:" + help file + "::" + address when a help file is
// given and not empty, else the address itself.
Text BrowserTargetAddress(const Text &address, const Value &helpFile = {});

// The address as the web engine takes it. Only what the URL class insists on is rewritten: a
// missing scheme is guessed ("www.x" becomes http://www.x), and characters that cannot stand
// in a URL (spaces, non-ASCII, "|" outside the query...) travel percent-encoded as UTF-8.
QUrl BrowserUrl(const Text &address);

// Has the view load the address (see BrowserTargetAddress) and returns at once; the page loads
// on its own. A target frame cannot be named in this engine, so it is not used.
void NavigateWebView(QWebEngineView &view, const Text &address, const Value &helpFile = {},
                     const Value &frame = {});

} // namespace jiujiu
