#pragma once

#include "store/savedsearch.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jiujiu {

class SeenFiles;
struct SeenBlock;
class SqliteDatabase;
struct FileId;

// The one SQLite file that keeps what the user asked to be remembered: saved searches, the
// files each of their runs listed, (when turned on) the keywords searched for, and with them
// the viewer services' back-off. It exists
// only once the user saved a search or turned the history on; everything else reads it, if
// it is there, and never makes it.
//
// The window and a command-line run may use it at once: the journal is a write-ahead log,
// a writer waits up to 5 s for another, and every change is one transaction, so a process
// killed at any moment leaves every earlier change whole. A file that cannot be read as a
// store (garbage, cut short, from a newer program) is never deleted: it is renamed aside with
// the date, the notice names both paths, and a new store takes its place.
class Store final
{
public:
    static constexpr int kSchemaVersion = 1;
    // What a saved search has seen is forgotten past this unseen, or past this many files
    // (the longest unseen first).
    static constexpr std::int64_t kUnseenSeconds = std::int64_t{180} * 24 * 3600;
    static constexpr std::int64_t kMaxFilesPerSearch = 500000;
    static constexpr std::size_t kHistorySize = 50;
    static constexpr int kBusyTimeoutMs = 5000;

    enum class Mode
    {
        Existing, // open it if it is there
        Create,   // make it when it is not
    };
    struct Opening
    {
        std::unique_ptr<Store> store; // none: not there (Existing), or it could not be opened
        std::string notice;           // a broken store was renamed aside
        std::string error;            // why it could not be opened
    };
    static Opening Open(const std::filesystem::path &path, Mode mode);

    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    // The bounds of what a saved search has seen (kUnseenSeconds, kMaxFilesPerSearch unless
    // set).
    void setPruning(std::int64_t unseenSeconds, std::int64_t maxFiles)
    {
        m_unseenSeconds = unseenSeconds;
        m_maxFiles = maxFiles;
    }
    // Opened for reading only (a directory that cannot be written): every change fails.
    bool readOnly() const { return m_readOnly; }

    // None for an unknown name, or on an error (error() says which).
    std::optional<SavedSearch> find(std::string_view name);
    // Every saved search by name, with its last run.
    std::optional<std::vector<SavedSearchSummary>> list();
    // Saves a new search or replaces the one of its name, and sets its id. A search given
    // another keyword starts again: its runs and the files they listed are forgotten.
    bool save(SavedSearch &search);
    // False for an unknown name (error() empty) or on an error.
    bool forget(std::string_view name);
    bool forgetAll();

    std::optional<SeenFiles> seenFiles(std::int64_t searchId);
    // Records one run: the files it listed (first seen now, or seen again now), the run's
    // figures, then the pruning. All or nothing. now: seconds since 1970.
    bool recordRun(std::int64_t searchId, std::vector<FileId> files, const RunRecord &run,
                   std::int64_t now);

    // The keyword history: off unless turned on; turning it off forgets every keyword.
    std::optional<bool> historyEnabled();
    bool setHistoryEnabled(bool on);
    // Remembered only while the history is on; the most recent kHistorySize are kept.
    bool rememberKeyword(std::string_view keyword);
    // The most recent first.
    std::optional<std::vector<std::string>> keywords();
    bool clearHistory();

    // How long each viewer service is left alone, as the last search that recorded anything
    // left it. until: seconds since 1970.
    struct ServiceLevel
    {
        std::string service;
        int level = 0;
        std::int64_t until = 0;
        friend bool operator==(const ServiceLevel &, const ServiceLevel &) = default;
    };
    // Entries that cannot be read are left out.
    std::optional<std::vector<ServiceLevel>> serviceLevels();
    // Replaces every level kept, all or nothing.
    bool setServiceLevels(const std::vector<ServiceLevel> &levels);

    // Why the last call that failed did (SQLite's words).
    const std::string &error() const { return m_error; }
    // Said once: the store turned out broken while in use, was renamed aside and a new one
    // taken (both paths named); empty when nothing happened.
    std::string takeNotice();

private:
    enum class Connected
    {
        Ok,
        Broken, // not a store this program can read: to be renamed aside
        Failed, // cannot be opened now (permissions, a lock that stays): left as it is
    };

    explicit Store(std::filesystem::path path);
    Connected connect(bool create, bool readOnly);
    Connected migrate(std::int64_t version);
    // Renames the file (and its journal) aside; the notice names both paths.
    bool moveAside(const std::string &why);
    // Records an error; a broken file is renamed aside and a new store opened. Answers false.
    bool failed(int code);
    bool failed(int code, const std::string &why);
    // Clears the last error; false (with the error) when the store is closed.
    bool ready();
    bool execute(const char *sql);
    std::optional<std::map<std::int64_t, SeenBlock>> readBlocks(std::int64_t searchId);

    std::filesystem::path m_path;
    std::unique_ptr<SqliteDatabase> m_db;
    bool m_readOnly = false;
    std::int64_t m_unseenSeconds = kUnseenSeconds;
    std::int64_t m_maxFiles = kMaxFilesPerSearch;
    std::string m_error;
    std::string m_notice;
};

} // namespace jiujiu
