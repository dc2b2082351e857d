#pragma once

#include <cstddef>
#include <functional>

namespace jiujiu {

// Runs work(half, first, last) over the items [0, count): in two halves side by side, the
// second (half 1) on a thread of its own, when there are at least `least` items; otherwise,
// or when no thread can be had, all of them here as half 0. Returns when all are done.
// For pages of thousands of rows, where a thread costs far less than the half it takes.
// Pages with at least this many rows are read and formatted on two threads: starting a thread
// costs far less than reading or printing a thousand rows.
inline constexpr std::size_t kRowsForTwoThreads = 2000;

void InTwoHalves(std::size_t count, std::size_t least,
                 const std::function<void(int half, std::size_t first, std::size_t last)> &work);

// Runs `here` on this thread and `beside` on a thread of its own, side by side; one after the
// other here when no thread can be had. Returns when both are done.
void SideBySide(const std::function<void()> &here, const std::function<void()> &beside);

} // namespace jiujiu
