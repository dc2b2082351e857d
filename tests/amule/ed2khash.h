#pragma once

#include <optional>
#include <string>

namespace jiujiu::test {

// The ed2k hash of a file of one part (under 9 728 000 bytes) in lower-case hexadecimal: its
// MD4, from OpenSSL's legacy provider; none where OpenSSL has no MD4.
std::optional<std::string> Ed2kHashOfOnePart(const std::string &data);

// Bytes that stand for a file of that size, the same on every run.
std::string SampleFileBytes(std::size_t size);

} // namespace jiujiu::test
