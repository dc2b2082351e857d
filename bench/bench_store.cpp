// A saved search rerun of 100 000 rows against a store that has seen 500 000 files (the bound
// of one search), 2 000 of the rows new: reading what was seen and marking the rows, then
// recording the run (the files seen again, the new ones, the pruning to the bound), each run on
// a copy of the same store. Targets: marking under 100 ms, recording under 300 ms.
// Usage: bench_store [SEEN] [ROWS] [RUNS]

#include "metwriter.h"
#include "results/resultrow.h"
#include "runtime/codepage.h"
#include "scratchdirectory.h"
#include "store/seenfiles.h"
#include "store/store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

using namespace jiujiu;

namespace {

double Milliseconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

std::string Link(const FileId &file)
{
    return "ed2k://|file|series.mkv|" + std::to_string(file.size) + "|" + Md4Hex(file.hash) + "|/";
}

} // namespace

int main(int argc, char **argv)
{
    const std::size_t seenCount = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 500000;
    const std::size_t rowCount = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100000;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const std::size_t newCount = rowCount / 50;

    std::mt19937_64 random(27);
    std::vector<FileId> seen(seenCount);
    for (FileId &file : seen)
        file = test::RandomFileId(random);
    std::vector<ResultRow> rows;
    rows.reserve(rowCount);
    for (std::size_t i = 0; i < rowCount; ++i) {
        const FileId file =
            i < newCount ? test::RandomFileId(random) : seen[random() % seen.size()];
        rows.emplace_back(std::to_string(i + 1), "series.mkv", "1 GB", "5", Utf8ToText(Link(file)));
    }
    std::shuffle(rows.begin(), rows.end(), random);

    const test::ScratchDirectory scratch("jiujiu-bench-store");
    const std::filesystem::path original = scratch.path() / "original.db";
    std::int64_t searchId = 0;
    {
        auto store = Store::Open(original, Store::Mode::Create).store;
        SavedSearch search{0, "bench", "series", "", "", false};
        if (!store || !store->save(search) ||
            !store->recordRun(search.id, seen, {1, 1, 0, true}, 1000)) {
            std::fprintf(stderr, "the store could not be made\n");
            return 2;
        }
        searchId = search.id;
    }

    std::vector<double> reads, marks, records;
    std::size_t marked = 0;
    for (int run = 0; run < runs; ++run) {
        const std::filesystem::path copy = scratch.path() / ("run" + std::to_string(run) + ".db");
        std::filesystem::copy_file(original, copy);
        auto store = Store::Open(copy, Store::Mode::Existing).store;
        const auto start = std::chrono::steady_clock::now();
        const std::optional<SeenFiles> files = store->seenFiles(searchId);
        reads.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
        marked = 0;
        std::vector<FileId> listed;
        listed.reserve(rows.size());
        for (const ResultRow &row : rows) {
            marked += files->isNew(row.link().file());
            listed.push_back(*row.link().file());
        }
        const auto mark = std::chrono::steady_clock::now();
        const std::int64_t fresh = files->countNew(listed);
        const bool recorded =
            store->recordRun(searchId, std::move(listed),
                             {2000, static_cast<std::int64_t>(rows.size()), fresh, true}, 2000);
        const auto end = std::chrono::steady_clock::now();
        if (!recorded) {
            std::fprintf(stderr, "recording failed: %s\n", store->error().c_str());
            return 2;
        }
        marks.push_back(Milliseconds(mark - start));
        records.push_back(Milliseconds(end - mark));
        store.reset();
        std::filesystem::remove(copy);
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("store: one saved search that has seen %zu files (%.1f MB)\n", seenCount,
                static_cast<double>(std::filesystem::file_size(original)) / 1e6);
    std::printf("read the seen files: %.1f ms; with marking %zu rows (%zu new): %.1f ms (target "
                "under 100 ms)\n",
                median(reads), rowCount, marked, median(marks));
    std::printf("record the run: %.1f ms (target under 300 ms; median of %d)\n", median(records),
                runs);
    return median(marks) < 100 && median(records) < 300 ? 0 : 1;
}
