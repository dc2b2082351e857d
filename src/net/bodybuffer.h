#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace jiujiu {

// A response body as it arrives. A body whose length was announced goes into one block of that
// size; any other into blocks that never move, joined once when it is taken. So no byte is
// copied more than once, and a growing body never holds twice its size, as a doubling string
// would.
class BodyBuffer final
{
public:
    // The length the answer announced: room for all of it in one block.
    void expect(std::size_t length);
    // May throw std::bad_alloc; what was appended before stays.
    void append(const char *data, std::size_t length);
    std::size_t size() const { return m_size; }
    void clear();
    // The whole body in one string; the buffer is empty afterwards.
    std::string take();

private:
    std::vector<std::string> m_blocks;
    std::size_t m_size = 0;
};

} // namespace jiujiu
