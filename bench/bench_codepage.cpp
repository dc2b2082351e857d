// Code-page conversion throughput: the program's conversions against the plain converter
// over the whole input (what they did before ASCII runs were copied in bulk), on a result
// page of 8 000 rows (mostly ASCII markup), on pure ASCII and on text that is half Chinese.
#include "conversionreference.h"
#include "regex/regexsubject.h"
#include "resultpagegenerator.h"
#include "runtime/codepage.h"

#include <benchmark/benchmark.h>
#include <random>
#include <string>

namespace jiujiu {
namespace {

enum Sample
{
    ResultPage,
    PureAscii,
    HalfChinese,
};

// The samples as GB18030 text.
const Text &SampleText(int sample)
{
    static const Text texts[] = {
        GenerateResultPage({8000, 8000, 1, 7}).text,
        [] {
            std::mt19937 random(1);
            Text t(4 << 20, ' ');
            for (char &c : t)
                c = static_cast<char>(0x20 + random() % 0x5F);
            return t;
        }(),
        [] {
            Text t;
            const Text chinese = Utf8ToText("啾啾神器为您找到资源");
            while (t.size() < (4u << 20))
                t += chinese + "ab12 x&amp;y ";
            return t;
        }(),
    };
    return texts[sample];
}

const std::string &SampleUtf8(int sample)
{
    static const std::string utf8[] = {TextToUtf8(SampleText(0)), TextToUtf8(SampleText(1)),
                                       TextToUtf8(SampleText(2))};
    return utf8[sample];
}

void Label(benchmark::State &state, std::size_t bytes)
{
    static const char *const kNames[] = {"result page 8000 rows", "pure ASCII", "half Chinese"};
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetLabel(std::string(kNames[state.range(0)]) + ", " + std::to_string(bytes >> 10) +
                   " KiB");
}

void BM_Utf8ToText(benchmark::State &state)
{
    const std::string &input = SampleUtf8(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(Utf8ToText(input));
    Label(state, input.size());
}

void BM_Utf8ToText_PlainConverter(benchmark::State &state)
{
    const std::string &input = SampleUtf8(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(test::IconvReference(input, CodePage::Utf8, CodePage::Ansi));
    Label(state, input.size());
}

void BM_TextToUtf8(benchmark::State &state)
{
    const Text &input = SampleText(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(TextToUtf8(input));
    Label(state, input.size());
}

void BM_TextToUtf8_PlainConverter(benchmark::State &state)
{
    const Text &input = SampleText(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(test::IconvReference(input, CodePage::Ansi, CodePage::Utf8));
    Label(state, input.size());
}

// The regular expressions' own conversion, with its way back to subject offsets.
void BM_RegexSubject(benchmark::State &state)
{
    const Text &input = SampleText(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(RegexSubject(input).utf8().size());
    Label(state, input.size());
}

void BM_AsciiPrefixLength(benchmark::State &state)
{
    const Text &input = SampleText(PureAscii);
    for (auto _ : state)
        benchmark::DoNotOptimize(AsciiPrefixLength(input.data(), input.size()));
    Label(state, input.size());
}

} // namespace

BENCHMARK(BM_Utf8ToText)->DenseRange(ResultPage, HalfChinese)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8ToText_PlainConverter)
    ->DenseRange(ResultPage, HalfChinese)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextToUtf8)->DenseRange(ResultPage, HalfChinese)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextToUtf8_PlainConverter)
    ->DenseRange(ResultPage, HalfChinese)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegexSubject)->DenseRange(ResultPage, HalfChinese)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AsciiPrefixLength)->Arg(PureAscii)->Unit(benchmark::kMicrosecond);

} // namespace jiujiu

BENCHMARK_MAIN();
