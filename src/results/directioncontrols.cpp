#include "results/directioncontrols.h"

#include <array>

namespace jiujiu {
namespace {

struct Control
{
    const char *bytes; // UTF-8
    const char *name;
};
constexpr std::array<Control, 9> kControls = {{
    {"\xE2\x80\xAA", "LRE"},
    {"\xE2\x80\xAB", "RLE"},
    {"\xE2\x80\xAC", "PDF"},
    {"\xE2\x80\xAD", "LRO"},
    {"\xE2\x80\xAE", "RLO"},
    {"\xE2\x81\xA6", "LRI"},
    {"\xE2\x81\xA7", "RLI"},
    {"\xE2\x81\xA8", "FSI"},
    {"\xE2\x81\xA9", "PDI"},
}};

// The control at the start of the text, if one is. Every one begins with E2: any other
// byte is turned down at once, as nearly every byte of a name is.
const Control *ControlAt(std::string_view text)
{
    if (text.size() < 3 || text[0] != '\xE2')
        return nullptr;
    for (const Control &control : kControls)
        if (text[1] == control.bytes[1] && text[2] == control.bytes[2])
            return &control;
    return nullptr;
}

} // namespace

bool HasDirectionControls(std::string_view utf8)
{
    for (std::size_t at = utf8.find('\xE2'); at != std::string_view::npos;
         at = utf8.find('\xE2', at + 1))
        if (ControlAt(utf8.substr(at)))
            return true;
    return false;
}

std::string WithVisibleDirectionControls(std::string_view utf8)
{
    std::string shown;
    shown.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        if (const Control *control = ControlAt(utf8.substr(at))) {
            shown += "\xE2\x9F\xA8"; // ⟨
            shown += control->name;
            shown += "\xE2\x9F\xA9"; // ⟩
            at += 3;
        } else {
            shown += utf8[at++];
        }
    }
    return shown;
}

std::string IsolatedUtf8(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    return "\xE2\x81\xA8" + std::string(utf8) + "\xE2\x81\xA9";
}

} // namespace jiujiu
