#include "runtime/conversions.h"

#include "runtime/codepage.h"
#include "runtime/gb18030.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace jiujiu {
namespace {

Text BytesUpToZero(std::string_view bytes)
{
    const auto zero = bytes.find('\0');
    return Text(zero == std::string_view::npos ? bytes : bytes.substr(0, zero));
}

template <class... Args>
Text Format(const char *format, Args... args)
{
    char buffer[128];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    return Text(buffer,
                n > 0 ? std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1) : 0);
}

// Truncation toward zero; NaN and values out of range give the x86 "integer indefinite".
std::int32_t TruncateToInt32(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

struct CivilDate
{
    int year, month, day;
};

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's algorithm).
CivilDate CivilFromDays(long long z)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

} // namespace

Text FormatDateTime(double days)
{
    if (std::isnan(days))
        days = 0;
    days = std::clamp(days, -657434.0, 2958465.0);
    // The integer part counts days; the fraction is the time of day whatever the sign.
    double whole = std::trunc(days);
    long long seconds = std::llround(std::fabs(days - whole) * 86400.0);
    // A time that rounds to midnight is the next calendar day, for negative days too: their
    // time of day still runs forward from the start of the day.
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += 1;
    }
    // 1899-12-30 is day -25569 of the Unix epoch.
    const CivilDate date = CivilFromDays(static_cast<long long>(whole) - 25569);
    const int hour = static_cast<int>(seconds / 3600);
    const int minute = static_cast<int>(seconds / 60 % 60);
    const int second = static_cast<int>(seconds % 60);

    Text out = Format(Utf8ToText("%d年%d月%d日").c_str(), date.year, date.month, date.day);
    if (second != 0)
        out += Format(Utf8ToText("%d时%d分%d秒").c_str(), hour, minute, second);
    else if (minute != 0)
        out += Format(Utf8ToText("%d时%d分").c_str(), hour, minute);
    else if (hour != 0)
        out += Format(Utf8ToText("%d时").c_str(), hour);
    return out;
}

Text ToText(const Value &value)
{
    switch (value.kind()) {
    case Kind::Text:
        return *value.as<Text>();
    case Kind::ByteSet:
        return BytesUpToZero(value.as<ByteSet>()->bytes());
    case Kind::Array: {
        const Array &array = *value.as<Array>();
        return IsNumericKind(array.element) ? BytesUpToZero(array.elementBytes) : Text();
    }
    case Kind::Byte:
        return Format("%u", static_cast<unsigned>(*value.as<std::uint8_t>()));
    case Kind::Short:
        return Format("%d", static_cast<int>(*value.as<std::int16_t>()));
    case Kind::Int:
        return Format("%d", *value.as<std::int32_t>());
    case Kind::Long:
        return Format("%lld", static_cast<long long>(*value.as<std::int64_t>()));
    case Kind::Float:
        return Format("%.6g", static_cast<double>(*value.as<float>()));
    case Kind::Double:
        return Format("%.13g", *value.as<double>());
    case Kind::Bool: {
        static const Text yes = Utf8ToText("真");
        static const Text no = Utf8ToText("假");
        return *value.as<bool>() ? yes : no;
    }
    case Kind::DateTime:
        return FormatDateTime(value.as<DateTime>()->days);
    default:
        return {};
    }
}

Text NormaliseText(std::string_view text)
{
    Text out;
    out.reserve(text.size());
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = byte(i);
        if (lead < 0x81 || lead == 0xFF) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        if (i + 1 >= text.size())
            break; // a lead byte at the very end ends the text
        const unsigned char trail = byte(i + 1);
        // GB18030 four-byte sequences pass through whole.
        if (Gb18030SequenceLength(reinterpret_cast<const unsigned char *>(text.data()) + i,
                                  text.size() - i) == 4) {
            out.append(text.substr(i, 4));
            i += 4;
            continue;
        }
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE)
            out += static_cast<char>(trail - 0x80);
        else if (lead == 0xA1 && trail == 0xA1)
            out += ' ';
        else if (lead == 0xA1 && trail == 0xAB)
            out += '~';
        else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF))
            out += '*';
        else
            out.append(text.substr(i, 2));
        i += 2;
    }
    return out;
}

std::int32_t ToInteger(const Value &value)
{
    switch (value.kind()) {
    case Kind::Bool:
        return *value.as<bool>() ? 1 : 0;
    case Kind::Int:
        return *value.as<std::int32_t>();
    case Kind::Subroutine:
        return static_cast<std::int32_t>(value.as<SubroutinePointer>()->address);
    case Kind::Long:
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(*value.as<std::int64_t>()));
    case Kind::Byte:
        return *value.as<std::uint8_t>();
    case Kind::Short:
        return *value.as<std::int16_t>();
    case Kind::Float:
        return TruncateToInt32(*value.as<float>());
    case Kind::Double:
        return TruncateToInt32(*value.as<double>());
    case Kind::Text: {
        const Text text = NormaliseText(*value.as<Text>());
        std::size_t i = 0;
        while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
            ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negative = text[i++] == '-';
        // Saturates instead of wrapping, so a huge number never turns negative.
        long long magnitude = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            magnitude = std::min(magnitude * 10 + (text[i] - '0'), 2147483648LL);
        if (negative)
            return static_cast<std::int32_t>(-magnitude);
        return static_cast<std::int32_t>(std::min(magnitude, 2147483647LL));
    }
    default:
        return 0;
    }
}

std::int32_t ByteSetLength(const ByteSet &bytes)
{
    return static_cast<std::int32_t>(bytes.size());
}

Text Concatenate(std::initializer_list<std::string_view> texts)
{
    std::size_t total = 0;
    for (auto t : texts)
        total += t.size();
    Text out;
    out.reserve(total);
    for (auto t : texts)
        out.append(t);
    return out;
}

} // namespace jiujiu
