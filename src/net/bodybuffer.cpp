#include "net/bodybuffer.h"

#include "runtime/hugepages.h"

#include <algorithm>
#include <utility>

namespace jiujiu {
namespace {

// New blocks grow with the body up to this size: small answers stay small, large ones waste
// at most one block.
constexpr std::size_t kFirstBlock = 64 * 1024;
constexpr std::size_t kLargestBlock = 4 * 1024 * 1024;

std::string Block(std::size_t capacity)
{
    std::string block;
    block.reserve(capacity);
    PreferHugePages(block.data(), block.capacity());
    return block;
}

} // namespace

void BodyBuffer::expect(std::size_t length)
{
    if (!m_blocks.empty() || length == 0)
        return;
    m_blocks.push_back(Block(length));
}

void BodyBuffer::append(const char *data, std::size_t length)
{
    while (length > 0) {
        if (m_blocks.empty() || m_blocks.back().size() == m_blocks.back().capacity()) {
            m_blocks.push_back(Block(std::clamp(m_size, kFirstBlock, kLargestBlock)));
        }
        std::string &block = m_blocks.back();
        const std::size_t part = std::min(length, block.capacity() - block.size());
        block.append(data, part);
        data += part;
        length -= part;
        m_size += part;
    }
}

void BodyBuffer::clear()
{
    m_blocks.clear();
    m_size = 0;
}

std::string BodyBuffer::take()
{
    std::string body;
    if (m_blocks.size() == 1) {
        body = std::move(m_blocks.front());
    } else if (!m_blocks.empty()) {
        body.reserve(m_size);
        // Each block goes as soon as it is copied: the join holds the body and one block.
        for (std::string &block : m_blocks) {
            body.append(block);
            std::string().swap(block);
        }
    }
    clear();
    return body;
}

} // namespace jiujiu
