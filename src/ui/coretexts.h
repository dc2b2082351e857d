#pragma once

#include <QString>
#include <string_view>
#include <vector>

namespace jiujiu {

struct Warning;

// A text the core composed from its marked texts (runtime/coretext.h), in the interface's
// language. Under the Chinese interface it is returned as it is. Under another, the template it
// was made from is found again among the core's marked texts and translated, and so are its
// arguments (a nested template, a file type's name); a text the core did not compose, or whose
// template has no translation, stays as it is.
QString InterfaceText(const QString &text);
QString InterfaceText(std::string_view utf8);

// A row's warnings on one line, as the hint column shows them.
QString InterfaceHint(const std::vector<Warning> &warnings);

} // namespace jiujiu
