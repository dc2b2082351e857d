#pragma once

#include <cstddef>
#include <string>

namespace jiujiu {

// How decoding a compressed body went.
enum class ContentDecoding
{
    Decoded,  // the body now holds what it stood for
    TooLarge, // it stands for more than the cap: the body is left as it came
    Corrupt,  // no gzip or zlib (or raw deflate) stream, or one cut short
};

// Decodes a body sent with Content-Encoding gzip (encoding 1) or deflate (2) in place, never
// holding more than `cap` decoded bytes, so a small bomb stops at the cap. Any other encoding
// leaves the body alone and counts as decoded.
ContentDecoding DecodeContent(std::string &body, int encoding, std::size_t cap);

} // namespace jiujiu
