// The result filter's parser on the longest text the filter box holds (32 767 characters, the
// QLineEdit limit), in the shapes that used to cost it most: thousands of distinct short
// words, the same word over and over, bounds, Chinese words, one long phrase. Target: each
// under 10 ms. Then narrows() when one key is typed at the end of such a filter, which the
// window asks on every key.
#include "results/resultfilter.h"

#include <benchmark/benchmark.h>
#include <string>

namespace jiujiu {
namespace {

constexpr std::size_t kBoxLimit = 32767; // characters

enum Shape
{
    DistinctWords,
    RepeatedWord,
    Bounds,
    ChineseWords,
    OnePhrase,
    Exclusions,
};

// An expression of that shape, kBoxLimit characters long (Chinese: characters, not bytes).
std::string Expression(int shape)
{
    std::string out;
    std::size_t characters = 0;
    for (int i = 0; characters < kBoxLimit; ++i) {
        std::string term;
        std::size_t length = 0;
        switch (shape) {
        case DistinctWords:
            term = "w" + std::to_string(i) + " ";
            break;
        case RepeatedWord:
            term = "jerry ";
            break;
        case Bounds:
            term = i % 2 ? "size>=700MB " : "sources>=10 ";
            break;
        case ChineseWords:
            term = "新闻" + std::to_string(i) + " ";
            length = 3 + std::to_string(i).size();
            break;
        case OnePhrase:
            term = i == 0 ? "\"" : "tom & jerry ";
            break;
        case Exclusions:
            term = "-x" + std::to_string(i) + " ";
            break;
        }
        out += term;
        characters += length ? length : term.size();
    }
    return out;
}

const char *const kShapeNames[] = {"distinct words", "one word repeated", "bounds",
                                   "Chinese words",  "one phrase",        "exclusions"};

void ParseLongFilter(benchmark::State &state)
{
    const std::string expression = Expression(static_cast<int>(state.range(0)));
    ResultFilter::Error error;
    for (auto _ : state)
        benchmark::DoNotOptimize(ResultFilter::Parse(expression, error));
    state.SetLabel(std::string(kShapeNames[state.range(0)]) + ", " +
                   std::to_string(expression.size()) + " bytes");
}
BENCHMARK(ParseLongFilter)->DenseRange(DistinctWords, Exclusions)->Unit(benchmark::kMillisecond);

// A key typed at the end of a long filter: the window asks whether the new filter narrows the
// old one before it looks at rows again.
void NarrowsAfterOneKey(benchmark::State &state)
{
    const std::string expression = Expression(static_cast<int>(state.range(0)));
    const ResultFilter before = ResultFilter::Parse(expression + "z");
    const ResultFilter after = ResultFilter::Parse(expression + "zz");
    for (auto _ : state)
        benchmark::DoNotOptimize(after.narrows(before));
    state.SetLabel(std::string(kShapeNames[state.range(0)]) +
                   (after.narrows(before) ? ", narrows" : ", does not narrow"));
}
BENCHMARK(NarrowsAfterOneKey)
    ->Arg(DistinctWords)
    ->Arg(ChineseWords)
    ->Arg(Exclusions)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace jiujiu

BENCHMARK_MAIN();
