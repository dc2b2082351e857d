#include "net/contentdecoder.h"

#include <algorithm>
#include <memory>
#include <zlib.h>

namespace jiujiu {
namespace {

constexpr std::size_t kChunk = 256 * 1024;

struct InflateEnd
{
    void operator()(z_stream *stream) const
    {
        inflateEnd(stream);
        delete stream;
    }
};
using Inflater = std::unique_ptr<z_stream, InflateEnd>;

// windowBits: 15 + 32 takes a gzip or a zlib header, -15 raw deflate.
Inflater MakeInflater(int windowBits)
{
    auto *stream = new z_stream{};
    if (inflateInit2(stream, windowBits) != Z_OK) {
        delete stream;
        return nullptr;
    }
    return Inflater(stream);
}

ContentDecoding Inflate(const std::string &body, int windowBits, std::size_t cap, std::string &out)
{
    const Inflater stream = MakeInflater(windowBits);
    if (!stream)
        return ContentDecoding::Corrupt;
    stream->next_in = reinterpret_cast<Bytef *>(const_cast<char *>(body.data()));
    stream->avail_in = static_cast<uInt>(body.size());
    out.clear();
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        const std::size_t before = out.size();
        if (before > cap)
            return ContentDecoding::TooLarge;
        const std::size_t room = std::min(kChunk, cap + 1 - before); // a byte past the cap tells
        out.resize(before + room);
        stream->next_out = reinterpret_cast<Bytef *>(out.data() + before);
        stream->avail_out = static_cast<uInt>(room);
        status = inflate(stream.get(), Z_NO_FLUSH);
        out.resize(before + room - stream->avail_out);
        if (status == Z_STREAM_END)
            break;
        // Z_BUF_ERROR with input left means no progress was possible: cut short.
        if (status != Z_OK || (stream->avail_in == 0 && stream->avail_out != 0))
            return ContentDecoding::Corrupt;
    }
    return out.size() > cap ? ContentDecoding::TooLarge : ContentDecoding::Decoded;
}

} // namespace

ContentDecoding DecodeContent(std::string &body, int encoding, std::size_t cap)
{
    if (encoding != 1 && encoding != 2)
        return ContentDecoding::Decoded;
    // The body stays below 4 GiB for zlib's counters: it was read within the cap.
    if (body.size() > 0xFFFFFFFFu)
        return ContentDecoding::TooLarge;
    std::string out;
    ContentDecoding result = Inflate(body, 15 + 32, cap, out);
    // "deflate" is meant as a zlib stream; some servers send the raw one.
    if (result == ContentDecoding::Corrupt && encoding == 2)
        result = Inflate(body, -15, cap, out);
    if (result == ContentDecoding::Decoded)
        body = std::move(out);
    return result;
}

} // namespace jiujiu
