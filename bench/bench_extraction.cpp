// Extraction of every row of a result page with the six expressions: total and last page
// once, then the rows. BM_ExtractPage prepares each column expression once per page and
// takes its j-th match for row j; BM_ReadPageByRow and BM_ReadPageByColumn compare the two
// ways of reading rows from the answer as it comes (UTF-8) to decoded, typed rows.
#include "regex/regexobject.h"
#include "resultpagegenerator.h"
#include "results/htmlreferences.h"
#include "runtime/conversions.h"
#include "search/answertext.h"
#include "search/resultpagereader.h"
#include "search/searchexpressions.h"

#include <benchmark/benchmark.h>
#include <map>

namespace jiujiu {
namespace {

const GeneratedPage &Page(std::int32_t rows)
{
    static std::map<std::int32_t, GeneratedPage> pages;
    auto it = pages.find(rows);
    if (it == pages.end())
        it = pages.emplace(rows, GenerateResultPage({rows, rows * 37, 42, 7})).first;
    return it->second;
}

// The fields of every row; returns the number of rows read.
std::size_t ExtractPage(RegexObject &regex, const Text &page, std::vector<Text> &cells)
{
    regex.Create(TotalExpression());
    const std::int32_t totals = regex.Execute(page);
    cells.push_back(regex.GetSubMatchText(totals, 1));
    regex.Create(LastPageExpression());
    const std::int32_t lastPages = regex.Execute(page);
    std::int32_t pages = 0;
    for (std::int32_t i = 1; i <= std::max(lastPages, 1); ++i)
        pages = ToInteger(Value(regex.GetSubMatchText(i, 1)));
    benchmark::DoNotOptimize(pages);

    regex.Create(NameExpression());
    const std::int32_t rows = regex.Execute(page);
    RegexObject size = regex, sources = regex, link = regex;
    size.Create(SizeExpression());
    size.Execute(page);
    sources.Create(SourcesExpression());
    sources.Execute(page);
    link.Create(LinkExpression());
    link.Execute(page);
    for (std::int32_t j = 1; j <= rows; ++j) {
        cells.push_back(regex.GetSubMatchText(j, 1));
        cells.push_back(size.GetSubMatchText(j, 1));
        cells.push_back(sources.GetSubMatchText(j, 1));
        cells.push_back(link.GetSubMatchText(j, 1));
    }
    return static_cast<std::size_t>(rows);
}

void Run(benchmark::State &state, RegexEngine engine)
{
    const GeneratedPage &page = Page(static_cast<std::int32_t>(state.range(0)));
    std::vector<Text> cells;
    std::size_t rows = 0;
    for (auto _ : state) {
        // A fresh page text each time, as every answer is: nothing carries over.
        const Text answer = page.text;
        RegexObject regex(engine);
        cells.clear();
        rows = ExtractPage(regex, answer, cells);
        benchmark::DoNotOptimize(cells.data());
    }
    if (rows != page.rows.size() || cells.size() != 1 + 4 * rows)
        state.SkipWithError("extraction missed rows");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.text.size()));
    // items: rows of the page
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
    state.counters["page_bytes"] = static_cast<double>(page.text.size());
}

void BM_ExtractPage(benchmark::State &state)
{
    Run(state, RegexEngine::Jit);
}

void BM_ExtractPageInterpreter(benchmark::State &state)
{
    Run(state, RegexEngine::Interpreter);
}

// Rows from the answer as it comes: the whole page made the program's text, each column
// matched over the whole page, row j taking the j-th match of each.
void BM_ReadPageByColumn(benchmark::State &state)
{
    const GeneratedPage &page = Page(static_cast<std::int32_t>(state.range(0)));
    std::size_t rows = 0;
    for (auto _ : state) {
        const Text text = AnswerText(page.html);
        RegexObject name;
        name.Create(NameExpression());
        const std::int32_t count = name.Execute(text);
        RegexObject size = name, sources = name, link = name;
        size.Create(SizeExpression());
        size.Execute(text);
        sources.Create(SourcesExpression());
        sources.Execute(text);
        link.Create(LinkExpression());
        link.Execute(text);
        std::vector<ResultRow> out;
        out.reserve(static_cast<std::size_t>(count));
        for (std::int32_t j = 1; j <= count; ++j)
            out.emplace_back(Text(), DecodeCapturedText(name.GetSubMatchText(j, 1)),
                             DecodeCapturedText(size.GetSubMatchText(j, 1)),
                             DecodeCapturedText(sources.GetSubMatchText(j, 1)),
                             DecodeCapturedText(link.GetSubMatchText(j, 1)));
        rows = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    if (rows != page.rows.size())
        state.SkipWithError("extraction missed rows");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.html.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}

// The same rows the way the search reads them: a row at a time, on the UTF-8 answer, the
// expressions prepared once for the whole search.
void BM_ReadPageByRow(benchmark::State &state)
{
    const GeneratedPage &page = Page(static_cast<std::int32_t>(state.range(0)));
    ResultPageReader reader;
    std::size_t rows = 0;
    for (auto _ : state) {
        const ResultPageReader::Page read = reader.read(page.html);
        rows = read.rows.size();
        benchmark::DoNotOptimize(read.rows.data());
    }
    if (rows != page.rows.size())
        state.SkipWithError("extraction missed rows");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.html.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}

// The subject conversion alone, GB18030 to UTF-8 with the offset map.
void BM_ConvertSubject(benchmark::State &state)
{
    const GeneratedPage &page = Page(static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) {
        RegexObject regex;
        regex.Create("\\A");
        benchmark::DoNotOptimize(regex.Execute(page.text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.text.size()));
}

BENCHMARK(BM_ExtractPage)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractPageInterpreter)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPageByColumn)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPageByRow)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertSubject)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace jiujiu

BENCHMARK_MAIN();
