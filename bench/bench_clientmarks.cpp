// Reads an ed2k client's directory holding a known.met of 50 000 files (generated in aMule's
// format, with 200 downloads and 2 000 cancelled files) and marks 100 000 result rows, half of
// them files the client has: the work of a window or jiujiu-cli when the client's files change.
// Target: both together under 100 ms.
// Usage: bench_clientmarks [KNOWN_FILES] [ROWS] [RUNS]

#include "ed2kclient/clientdirectory.h"
#include "ed2kclient/clientstate.h"
#include "metwriter.h"
#include "results/clientmarker.h"
#include "results/resultrow.h"
#include "runtime/codepage.h"
#include "scratchdirectory.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
    std::string hex = Md4Hex(file.hash);
    std::transform(hex.begin(), hex.end(), hex.begin(), ::toupper);
    return "ed2k://|file|series.mkv|" + std::to_string(file.size) + "|" + hex + "|/";
}

} // namespace

int main(int argc, char **argv)
{
    const std::size_t knownCount = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50000;
    const std::size_t rowCount = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100000;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;

    std::mt19937_64 random(7);
    std::vector<FileId> known(knownCount);
    for (FileId &file : known)
        file = test::RandomFileId(random);
    const test::ScratchDirectory client("jiujiu-bench-client");
    test::WriteFile(client.path() / "known.met", test::KnownMetFile(known));
    std::vector<Md4Hash> cancelled;
    for (int i = 0; i < 2000; ++i)
        cancelled.push_back(test::RandomFileId(random).hash);
    test::WriteFile(client.path() / "canceled.met", test::CanceledMetFile(cancelled));
    std::vector<FileId> downloads;
    for (int i = 0; i < 200; ++i) {
        downloads.push_back(test::RandomFileId(random));
        char name[32];
        std::snprintf(name, sizeof name, "Temp/%03d.part.met", i + 1);
        test::WriteFile(client.path() / name,
                        test::PartMetFile(downloads.back(), {{0, downloads.back().size / 3}}));
    }

    // Every other row a file the client has, a few downloading or cancelled, the rest new.
    std::vector<ResultRow> rows;
    rows.reserve(rowCount);
    for (std::size_t i = 0; i < rowCount; ++i) {
        const FileId file = i % 2 == 0 && !known.empty() ? known[random() % known.size()]
                            : i % 101 == 1               ? downloads[random() % downloads.size()]
                                                         : test::RandomFileId(random);
        rows.emplace_back(std::to_string(i + 1), "series.mkv", "1 GB", "5", Utf8ToText(Link(file)));
    }

    std::vector<double> reads, marks, totals;
    std::size_t counts[kRowStatusCount] = {};
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        auto state = std::make_shared<const ClientState>(ReadClientState(client.path()));
        const auto read = std::chrono::steady_clock::now();
        const ClientMarker marker(std::move(state));
        std::fill(std::begin(counts), std::end(counts), 0);
        for (const ResultRow &row : rows)
            ++counts[static_cast<int>(marker.markOf(row.link()).status)];
        const auto end = std::chrono::steady_clock::now();
        reads.push_back(Milliseconds(read - start));
        marks.push_back(Milliseconds(end - read));
        totals.push_back(Milliseconds(end - start));
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("client directory: known.met of %zu files, 200 part files, 2000 cancelled\n",
                knownCount);
    std::printf("read: %.1f ms, mark %zu rows: %.1f ms, together %.1f ms (target under 100 ms; "
                "median of %d)\n",
                median(reads), rowCount, median(marks), median(totals), runs);
    std::printf("rows: %zu 已有, %zu 下载中, %zu 已取消, %zu 新\n",
                counts[static_cast<int>(RowStatus::Known)],
                counts[static_cast<int>(RowStatus::Downloading)],
                counts[static_cast<int>(RowStatus::Cancelled)],
                counts[static_cast<int>(RowStatus::New)]);
    return median(totals) < 100 ? 0 : 1;
}
