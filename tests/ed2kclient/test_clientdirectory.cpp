// Reading a client's directory: where it is, what is read from it, what is never waited on,
// and that nothing in it changes.
#include "ed2kclient/clientdirectory.h"
#include "metwriter.h"
#include "scratchdirectory.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

using namespace jiujiu;
using jiujiu::test::HashOf;
using jiujiu::test::ScratchDirectory;
using jiujiu::test::WriteFile;
namespace fs = std::filesystem;

namespace {

const FileId kKnown{HashOf("11111111111111111111111111111111"), 1000};
const FileId kDownload{HashOf("22222222222222222222222222222222"), 2000};
const Md4Hash kCancelled = HashOf("33333333333333333333333333333333");

// Every entry below a directory with its size and modification time.
std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> Snapshot(const fs::path &dir)
{
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> entries;
    for (const auto &entry : fs::recursive_directory_iterator(dir)) {
        const bool file = entry.is_regular_file();
        entries[entry.path().string()] = {file ? entry.file_size() : 0, entry.last_write_time()};
    }
    return entries;
}

// A client directory with one file in each state.
void WriteClientFiles(const fs::path &dir, const fs::path &temp)
{
    WriteFile(dir / "known.met", test::KnownMetFile({kKnown}));
    WriteFile(dir / "canceled.met", test::CanceledMetFile({kCancelled}));
    WriteFile(temp / "001.part.met", test::PartMetFile(kDownload, {{0, 500}}));
}

std::string Summary(const ClientState &state)
{
    const PartMet *download = state.download(kDownload);
    return std::string(state.isKnown(kKnown) ? "known " : "") +
           (download ? "downloading+" + std::to_string(download->doneBytes.value_or(0)) + " "
                     : "") +
           (state.isCancelled(kCancelled) ? "cancelled" : "");
}

} // namespace

TEST(ClientDirectory, TheSettingWinsOverTheHome)
{
    const char *const saved = std::getenv(kClientDirectoryVariable);
    const std::string savedValue = saved ? saved : "";
    const char *const home = std::getenv("HOME");
    ::setenv(kClientDirectoryVariable, "/srv/mule", 1);
    EXPECT_EQ(ClientDirectory(), fs::path("/srv/mule"));
    ::setenv(kClientDirectoryVariable, "", 1); // empty is unset
    EXPECT_EQ(ClientDirectory(), home ? fs::path(home) / ".aMule" : fs::path());
    if (saved)
        ::setenv(kClientDirectoryVariable, savedValue.c_str(), 1);
    else
        ::unsetenv(kClientDirectoryVariable);
}

TEST(ClientDirectory, ReadsEveryStateAndWritesNothing)
{
    const struct
    {
        const char *what;
        const char *configuration; // amule.conf, none when null
        const char *temp;          // where the part files go, below the directory
    } rows[] = {
        {"no configuration: DIR/Temp", nullptr, "Temp"},
        {"TempDir set", "[eMule]\nNick=x\nTempDir=%s\n", "elsewhere/tmp"},
        {"TempDir quoted, CR LF lines", "[eMule]\r\nTempDir = \"%s\"\r\n", "with space /tmp"},
        {"TempDir of another section is not ours", "[Other]\nTempDir=%s\n[eMule]\n", "Temp"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const ScratchDirectory scratch("jiujiu-client");
        const fs::path dir = scratch.path();
        const fs::path temp = dir / row.temp;
        if (row.configuration) {
            char text[512];
            std::snprintf(text, sizeof text, row.configuration, temp.c_str());
            WriteFile(dir / "amule.conf", text);
        }
        WriteClientFiles(dir, temp);
        EXPECT_EQ(ClientTempDirectory(dir), temp);
        const auto before = Snapshot(dir);
        EXPECT_EQ(Summary(ReadClientState(dir)), "known downloading+1500 cancelled");
        EXPECT_EQ(Snapshot(dir), before) << "the client's directory changed";
    }
}

TEST(ClientDirectory, WhatCannotBeReadGivesNoMarks)
{
    const struct
    {
        const char *what;
        void (*spoil)(const fs::path &dir);
        std::string expected;
    } rows[] = {
        {"absent directory", [](const fs::path &dir) { fs::remove_all(dir); }, ""},
        {"truncated known.met", [](const fs::path &dir) { fs::resize_file(dir / "known.met", 30); },
         "downloading+1500 cancelled"},
        {"known.met is a pipe, never waited on",
         [](const fs::path &dir) {
             fs::remove(dir / "known.met");
             ::mkfifo((dir / "known.met").c_str(), 0600);
         },
         "downloading+1500 cancelled"},
        {"canceled.met is a directory",
         [](const fs::path &dir) {
             fs::remove(dir / "canceled.met");
             fs::create_directory(dir / "canceled.met");
         },
         "known downloading+1500 "},
        {"known.met over its bound",
         [](const fs::path &dir) {
             // Sparse: no disk is filled.
             fs::resize_file(dir / "known.met", ClientReadLimits::kKnownMet + 1);
         },
         "downloading+1500 cancelled"},
        {"half-written part file: its backup is read",
         [](const fs::path &dir) {
             fs::copy_file(dir / "Temp/001.part.met", dir / "Temp/001.part.met.bak");
             fs::resize_file(dir / "Temp/001.part.met", 40);
         },
         "known downloading+1500 cancelled"},
        {"part file and backup both broken",
         [](const fs::path &dir) {
             fs::resize_file(dir / "Temp/001.part.met", 40);
             WriteFile(dir / "Temp/001.part.met.bak", "junk");
         },
         "known cancelled"},
        {"a backup alone is no download",
         [](const fs::path &dir) {
             fs::rename(dir / "Temp/001.part.met", dir / "Temp/001.part.met.bak");
         },
         "known cancelled"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const ScratchDirectory scratch("jiujiu-client");
        const fs::path dir = scratch.path() / ".aMule";
        WriteClientFiles(dir, dir / "Temp");
        row.spoil(dir);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Summary(ReadClientState(dir)), row.expected);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
    EXPECT_TRUE(ReadClientState({}).isEmpty());
}
