#pragma once

#include "runtime/value.h"

#include <cstdint>
#include <initializer_list>

namespace jiujiu {

// The runtime's conversions between value kinds; every kind converts, unknown ones to empty or 0.
Text ToText(const Value &value);
std::int32_t ToInteger(const Value &value);

// Replaces full-width ASCII forms, the ideographic space and a few other double-byte
// characters by their single-byte equivalents; other characters are kept.
Text NormaliseText(std::string_view text);

std::int32_t ByteSetLength(const ByteSet &bytes);

// Joins texts in order into a new text.
Text Concatenate(std::initializer_list<std::string_view> texts);

// Date-time text such as "2024年5月6日7时8分" (clamped to years 100..9999).
Text FormatDateTime(double days);

} // namespace jiujiu
