#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Marks a fixed text of the core (UTF-8, Chinese: the source language) for translation:
// JIUJIU_TEXT("jiujiu", "温馨提示"). It expands to the bare literal; lupdate is taught the name
// (-tr-function-alias QT_TRANSLATE_NOOP+=JIUJIU_TEXT) and files it under the context given,
// "jiujiu" like the window's own texts (the window looks it up there).
#define JIUJIU_TEXT(context, text) text

namespace jiujiu {

// The core builds what it tells the user from marked texts, and lists each one it used so the
// window can find a text's template again and show it in the interface's language.

// A marked text without arguments, as it is.
const std::string &CoreText(const char *marked);

// A marked template with %1 … %9 filled in: "为您找到[%1]枚资源" with "12" -> "为您找到[12]枚资源".
// Two slots never follow each other directly (the window could not split them again).
std::string ComposeText(const char *marked, std::initializer_list<std::string_view> arguments);

// %1 … %9 of a template filled in, whatever the encoding of both (the slots are ASCII).
std::string FillSlots(std::string_view pattern, std::initializer_list<std::string_view> arguments);

// Every marked text used so far, templates included, and how many there are (it only grows).
std::vector<std::string> UsedCoreTexts();
std::size_t UsedCoreTextCount();

} // namespace jiujiu
