// Arbitrary pattern and subject (split at the first zero byte, the first byte choosing the
// flags): nothing may crash, matches stay inside the subject, and both engines agree
// whenever neither ran into a limit.
#include "regex/regexmatches.h"
#include "regex/regexobject.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace jiujiu;

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const unsigned flags = data[0];
    const std::string input(reinterpret_cast<const char *>(data + 1), size - 1);
    const std::size_t split = input.find('\0');
    const Text pattern = input.substr(0, split);
    const Text subject = split == std::string::npos ? Text() : input.substr(split + 1);

    RegexObject jit(RegexEngine::Jit);
    RegexObject interpreter(RegexEngine::Interpreter);
    for (RegexObject *regex : {&jit, &interpreter})
        regex->Create(pattern, flags & 1, flags & 2, flags & 4);
    const std::int32_t n = jit.Execute(subject);
    const std::int32_t m = interpreter.Execute(subject);
    const auto &a = jit.Matches();
    const auto &b = interpreter.Matches();
    if (a && b && !a->limitReached() && !b->limitReached()) {
        Check(n == m);
        for (std::int32_t i = 1; i <= n; ++i) {
            Check(jit.GetMatchText(i) == interpreter.GetMatchText(i));
            for (std::int32_t g = 1; g <= jit.GetSubMatchCount(); ++g)
                Check(jit.GetSubMatchText(i, g) == interpreter.GetSubMatchText(i, g));
        }
    }
    if (a) {
        std::size_t previous = 0;
        for (std::size_t i = 0; i < a->count(); ++i) {
            Check(a->Start(i) >= previous && a->End(i) <= subject.size());
            previous = std::max(a->Start(i), a->End(i));
        }
    }
    const Text replaced = jit.Replace(subject, "<$1$&$`$'$$>");
    Check(jit.Component()->compiled() || replaced.empty());
    return 0;
}
