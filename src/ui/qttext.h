#pragma once

#include "runtime/value.h"

#include <QString>

namespace jiujiu {

// The Qt boundary: runtime texts are GB18030 bytes, Qt's are UTF-16.
QString ToQString(std::string_view text);
Text ToRuntimeText(const QString &text);

} // namespace jiujiu
