#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace jiujiu {

// Runtime text: GB18030 bytes (a superset of GBK). Null and empty are the same value.
using Text = std::string;

enum class Kind
{
    Omitted,
    Byte,
    Short,
    Int,
    Long,
    Float,
    Double,
    Bool,
    DateTime,
    Text,
    ByteSet,
    Subroutine,
    Array,
};

// Counted bytes; may hold zero bytes. Empty is the null byte-set.
class ByteSet
{
public:
    ByteSet() = default;
    explicit ByteSet(std::string bytes) : m_bytes(std::move(bytes)) {}
    ByteSet(const void *data, std::size_t size);

    // Reads the wire layout (32-bit 1, 32-bit length, bytes); anything malformed is empty.
    static ByteSet fromImage(std::string_view image);

    const std::string &bytes() const { return m_bytes; }
    const char *data() const { return m_bytes.data(); }
    std::size_t size() const { return m_bytes.size(); }
    bool empty() const { return m_bytes.empty(); }
    // The wire layout where a byte image is needed; empty for the empty byte-set.
    std::string image() const;

    friend bool operator==(const ByteSet &, const ByteSet &) = default;

private:
    std::string m_bytes;
};

// OLE automation date: days since 30 December 1899, the fraction is the time of day.
struct DateTime
{
    double days = 0;
    friend bool operator==(const DateTime &, const DateTime &) = default;
};

struct SubroutinePointer
{
    std::uint32_t address = 0;
    friend bool operator==(const SubroutinePointer &, const SubroutinePointer &) = default;
};

// An array of one kind. Numeric element arrays carry their element bytes (host order);
// arrays of other kinds carry only their element kind and count.
struct Array
{
    Kind element = Kind::Int;
    std::string elementBytes;
    std::size_t count = 0;
    friend bool operator==(const Array &, const Array &) = default;
};

bool IsNumericKind(Kind kind);

// One argument or result of a runtime command, tagged with its kind.
class Value
{
public:
    Value() = default; // omitted
    Value(bool v) : m_v(v) {}
    Value(std::uint8_t v) : m_v(v) {}
    Value(std::int16_t v) : m_v(v) {}
    Value(std::int32_t v) : m_v(v) {}
    Value(std::int64_t v) : m_v(v) {}
    Value(float v) : m_v(v) {}
    Value(double v) : m_v(v) {}
    Value(DateTime v) : m_v(v) {}
    Value(Text v) : m_v(std::move(v)) {}
    Value(const char *v) : m_v(Text(v ? v : "")) {}
    Value(std::string_view v) : m_v(Text(v)) {}
    Value(ByteSet v) : m_v(std::move(v)) {}
    Value(SubroutinePointer v) : m_v(v) {}
    Value(Array v) : m_v(std::move(v)) {}

    static Value omitted() { return {}; }

    Kind kind() const { return static_cast<Kind>(m_v.index()); }
    bool isOmitted() const { return kind() == Kind::Omitted; }

    template <class T>
    const T *as() const
    {
        return std::get_if<T>(&m_v);
    }

    friend bool operator==(const Value &, const Value &) = default;

private:
    // Order matches Kind.
    std::variant<std::monostate, std::uint8_t, std::int16_t, std::int32_t, std::int64_t, float,
                 double, bool, DateTime, Text, ByteSet, SubroutinePointer, Array>
        m_v;
};

} // namespace jiujiu
