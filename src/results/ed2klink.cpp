#include "results/ed2klink.h"

#include "runtime/asciicase.h"
#include "runtime/asciictype.h"
#include "runtime/codepage.h"

#include <algorithm>
#include <vector>

namespace jiujiu {
namespace {

bool IsDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), IsAsciiDigit);
}

bool IsHash(std::string_view s)
{
    return s.size() == 32 &&
           std::all_of(s.begin(), s.end(), [](char c) { return AsciiHexValue(c) >= 0; });
}

// Decimal digits to a number; none on overflow.
std::optional<std::uint64_t> ReadSize(std::string_view digits)
{
    std::uint64_t value = 0;
    for (char c : digits) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// "%E5%95%BE.mkv" spells UTF-8 and is decoded; anything else stays as it is.
std::string DecodedName(std::string_view name)
{
    if (name.find('%') == std::string_view::npos)
        return std::string(name);
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '%') {
            out += name[i];
            continue;
        }
        if (i + 2 >= name.size() || AsciiHexValue(name[i + 1]) < 0 ||
            AsciiHexValue(name[i + 2]) < 0)
            return std::string(name);
        out += static_cast<char>(AsciiHexValue(name[i + 1]) * 16 + AsciiHexValue(name[i + 2]));
        i += 2;
    }
    return IsValidUtf8(out) ? out : std::string(name);
}

} // namespace

std::optional<FileId> Ed2kLink::file() const
{
    if (!hash || !size)
        return std::nullopt;
    return FileId{*hash, *size};
}

Ed2kLink Ed2kLink::Parse(std::string_view utf8)
{
    Ed2kLink link;
    if (utf8.empty())
        return link;
    constexpr std::string_view scheme = "ed2k://|";
    constexpr std::string_view file = "file|";
    if (!AsciiEqualsIgnoringCase(utf8.substr(0, scheme.size()), scheme)) {
        link.problem = Problem::NotEd2k;
        return link;
    }
    std::string_view rest = utf8.substr(scheme.size());
    if (!AsciiEqualsIgnoringCase(rest.substr(0, file.size()), file)) {
        link.problem = Problem::NotFileLink;
        return link;
    }
    rest.remove_prefix(file.size());

    // Reused: a page reads thousands of links, one allocation fewer each.
    thread_local std::vector<std::string_view> fields;
    if (fields.capacity() > 256)
        fields = {}; // a link of a million bars is not held on to
    fields.clear();
    while (true) {
        const std::size_t bar = rest.find('|');
        fields.push_back(rest.substr(0, bar));
        if (bar == std::string_view::npos)
            break;
        rest.remove_prefix(bar + 1);
    }
    // NAME|SIZE|HASH; a name holding "|" only moves the pair further right.
    std::size_t at = 1;
    while (at + 1 < fields.size() && !(IsDigits(fields[at]) && IsHash(fields[at + 1])))
        ++at;
    if (at + 1 >= fields.size()) {
        // No readable pair: say what is wrong with the plain layout.
        link.name = DecodedName(fields[0]);
        if (link.name.empty())
            link.problem = Problem::NoName;
        else if (fields.size() < 2 || !IsDigits(fields[1]))
            link.problem = Problem::BadSize;
        else
            link.problem = Problem::BadHash;
        if (fields.size() >= 2 && IsDigits(fields[1]))
            link.size = ReadSize(fields[1]);
        return link;
    }

    // The fields before the pair are one stretch of the link, bars and all.
    link.name = DecodedName(std::string_view(
        fields[0].data(), static_cast<std::size_t>(fields[at - 1].data() + fields[at - 1].size() -
                                                   fields[0].data())));
    link.size = ReadSize(fields[at]);
    link.hash = ParseMd4Hex(fields[at + 1]);
    // What follows the hash: optional parts, then the closing "/" as the last field.
    for (std::size_t i = at + 2; i + 1 < fields.size(); ++i) {
        link.extra += fields[i];
        link.extra += '|';
    }
    const bool closed = at + 2 < fields.size() && fields.back() == "/";
    if (link.name.empty())
        link.problem = Problem::NoName;
    else if (!link.size || *link.size == 0 || *link.size > kMaxSize)
        link.problem = Problem::SizeOutOfRange;
    else if (!closed)
        link.problem = Problem::Unterminated;
    else
        link.problem = Problem::None;
    return link;
}

} // namespace jiujiu
