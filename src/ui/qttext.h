#pragma once

#include "runtime/value.h"

#include <QString>

namespace jiujiu {

// The Qt boundary: runtime texts are GB18030 bytes, Qt's are UTF-16.
QString ToQString(std::string_view text);
Text ToRuntimeText(const QString &text);

// A word of the core (UTF-8: a file type's or a status's name) in the interface's language.
QString UiWord(std::string_view utf8);

} // namespace jiujiu
