#include "runtime/twohalves.h"

#include <system_error>
#include <thread>

namespace jiujiu {

void InTwoHalves(std::size_t count, std::size_t least,
                 const std::function<void(int half, std::size_t first, std::size_t last)> &work)
{
    if (count >= 2 && count >= least) {
        const std::size_t middle = count / 2;
        std::thread helper;
        try {
            helper = std::thread([&work, middle, count] { work(1, middle, count); });
        } catch (const std::system_error &) {
            // No thread to be had: this one does it all.
        }
        if (helper.joinable()) {
            // Joined however the first half ends, so the helper never outlives `work`.
            struct Joiner
            {
                std::thread &thread;
                ~Joiner() { thread.join(); }
            } joiner{helper};
            work(0, 0, middle);
            return;
        }
    }
    work(0, 0, count);
}

void SideBySide(const std::function<void()> &here, const std::function<void()> &beside)
{
    InTwoHalves(2, 2, [&](int half, std::size_t, std::size_t) { (half == 0 ? here : beside)(); });
}

} // namespace jiujiu
