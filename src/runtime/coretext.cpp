#include "runtime/coretext.h"

#include <mutex>
#include <set>

namespace jiujiu {
namespace {

struct Registry
{
    std::mutex mutex;
    std::set<std::string, std::less<>> texts;
};

Registry &TheRegistry()
{
    static Registry registry;
    return registry;
}

} // namespace

const std::string &CoreText(const char *marked)
{
    Registry &registry = TheRegistry();
    const std::scoped_lock lock(registry.mutex);
    // Set nodes stay put, so the reference outlives the lock.
    return *registry.texts.emplace(marked).first;
}

std::string ComposeText(const char *marked, std::initializer_list<std::string_view> arguments)
{
    return FillSlots(CoreText(marked), arguments);
}

std::string FillSlots(std::string_view pattern, std::initializer_list<std::string_view> arguments)
{
    std::string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const auto slot = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (slot < arguments.size())
                out += *(arguments.begin() + slot);
            ++i;
            continue;
        }
        out += c;
    }
    return out;
}

std::vector<std::string> UsedCoreTexts()
{
    Registry &registry = TheRegistry();
    const std::scoped_lock lock(registry.mutex);
    return {registry.texts.begin(), registry.texts.end()};
}

std::size_t UsedCoreTextCount()
{
    Registry &registry = TheRegistry();
    const std::scoped_lock lock(registry.mutex);
    return registry.texts.size();
}

} // namespace jiujiu
