// Arbitrary bytes as a result page: the six expressions on both engines, with the captured
// texts checked against the subject's own bytes.
#include "regex/regexmatches.h"
#include "regex/regexobject.h"
#include "regex/regexsubject.h"
#include "runtime/codepage.h"
#include "search/searchexpressions.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

using namespace jiujiu;

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// Matches lie inside the subject, in order, and read back as the subject's bytes.
void CheckMatches(const RegexObject &regex, const Text &subject)
{
    const auto &matches = regex.Matches();
    if (!matches)
        return;
    std::size_t previous = 0;
    for (std::size_t m = 0; m < matches->count(); ++m) {
        const std::size_t start = matches->Start(m);
        const std::size_t end = matches->End(m);
        Check(start >= previous && start <= end && end <= subject.size());
        Check(regex.GetMatchText(static_cast<std::int32_t>(m + 1)) ==
              subject.substr(start, end - start));
        const Text group = regex.GetSubMatchText(static_cast<std::int32_t>(m + 1), 1);
        Check(group.size() <= end - start);
        previous = end;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Text subject(reinterpret_cast<const char *>(data), size);

    const RegexSubject converted(subject);
    Check(IsValidUtf8(converted.utf8()));
    Check(converted.utf8() == ConvertCodePage(subject, CodePage::Ansi, CodePage::Utf8));

    // Prepared once; each input runs on copies, which share the compiled patterns.
    static const auto prepared = [] {
        std::vector<std::pair<RegexObject, RegexObject>> objects;
        for (const Text *expression :
             {&TotalExpression(), &LastPageExpression(), &NameExpression(), &SizeExpression(),
              &SourcesExpression(), &LinkExpression()}) {
            RegexObject jit(RegexEngine::Jit);
            RegexObject interpreter(RegexEngine::Interpreter);
            jit.Create(*expression);
            interpreter.Create(*expression);
            objects.emplace_back(jit, interpreter);
        }
        return objects;
    }();
    for (const auto &[preparedJit, preparedInterpreter] : prepared) {
        RegexObject jit = preparedJit;
        RegexObject interpreter = preparedInterpreter;
        const std::int32_t n = jit.Execute(subject);
        Check(interpreter.Execute(subject) == n);
        CheckMatches(jit, subject);
        for (std::int32_t m = 0; m <= n + 1; ++m) {
            Check(jit.GetSubMatchText(m, 1) == interpreter.GetSubMatchText(m, 1));
            Check(jit.GetSubMatchText(m, 2).empty());
        }
    }
    return 0;
}
