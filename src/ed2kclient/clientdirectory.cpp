#include "ed2kclient/clientdirectory.h"

#include "ed2kclient/metfiles.h"
#include "ed2kclient/metreader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace jiujiu {
namespace {

namespace fs = std::filesystem;

struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opened without waiting (a pipe in the client's directory must not hang the reader) and only
// when it is a regular file no larger than the limit.
File OpenRegularFile(const fs::path &path, std::size_t limit, std::size_t &size)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<std::uint64_t>(info.st_size) > limit) {
        ::close(fd);
        return nullptr;
    }
    File file(::fdopen(fd, "rb"));
    if (!file)
        ::close(fd);
    size = static_cast<std::size_t>(info.st_size);
    return file;
}

std::string Trimmed(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return std::string(s);
}

// A value as the configuration file writes it: quoted when it has blanks at its ends, with
// backslashes and quotes escaped inside the quotes.
std::string ConfigurationValue(std::string_view raw)
{
    std::string value = Trimmed(raw);
    if (value.size() < 2 || value.front() != '"' || value.back() != '"')
        return value;
    std::string out;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size())
            ++i;
        out += value[i];
    }
    return out;
}

std::optional<std::string> TempDirSetting(const fs::path &dir)
{
    const auto text = ReadBoundedFile(dir / "amule.conf", ClientReadLimits::kConfiguration);
    if (!text)
        return std::nullopt;
    std::string_view rest = *text;
    bool inSection = false;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string line = Trimmed(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.starts_with('[')) {
            inSection = line == "[eMule]";
            continue;
        }
        constexpr std::string_view key = "TempDir";
        if (!inSection || !line.starts_with(key))
            continue;
        const std::string_view after = std::string_view(line).substr(key.size());
        const std::size_t equals = after.find('=');
        if (equals == std::string_view::npos || !Trimmed(after.substr(0, equals)).empty())
            continue;
        std::string value = ConfigurationValue(after.substr(equals + 1));
        if (!value.empty())
            return value;
    }
    return std::nullopt;
}

// The part files of the temporary folder, by name, at most the limit of them.
std::vector<fs::path> PartMetFiles(const fs::path &temp)
{
    std::vector<fs::path> files;
    std::error_code error;
    fs::directory_iterator it(temp, fs::directory_options::skip_permission_denied, error);
    std::size_t looked = 0;
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        if (++looked > ClientReadLimits::kTemporaryEntries ||
            files.size() >= ClientReadLimits::kPartMetFiles)
            break;
        const std::string name = it->path().filename().string();
        if (name.size() > 9 && name.ends_with(".part.met"))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<PartMet> ReadPartFile(const fs::path &path)
{
    if (const auto bytes = ReadBoundedFile(path, ClientReadLimits::kPartMet))
        if (auto part = ReadPartMet(*bytes))
            return part;
    // The client keeps the previous version beside it, and reads that one when this one fails
    // (it may be half written).
    fs::path backup = path;
    backup += ".bak";
    if (const auto bytes = ReadBoundedFile(backup, ClientReadLimits::kPartMet))
        return ReadPartMet(*bytes);
    return std::nullopt;
}

} // namespace

fs::path ClientDirectory()
{
    if (const char *dir = std::getenv(kClientDirectoryVariable); dir && *dir)
        return dir;
    if (const char *home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".aMule";
    return {};
}

fs::path ClientTempDirectory(const fs::path &dir)
{
    if (const auto setting = TempDirSetting(dir)) {
        const fs::path temp(*setting);
        return temp.is_absolute() ? temp : dir / temp;
    }
    return dir / "Temp";
}

std::optional<std::string> ReadBoundedFile(const fs::path &path, std::size_t limit)
{
    std::size_t size = 0;
    const File file = OpenRegularFile(path, limit, size);
    if (!file)
        return std::nullopt;
    std::string bytes(size, '\0');
    const std::size_t read = std::fread(bytes.data(), 1, size, file.get());
    if (std::ferror(file.get()))
        return std::nullopt;
    // A file that shrank while it was read is taken as far as it went: the readers reject
    // what does not add up. One that grew is read up to the size it had.
    bytes.resize(read);
    return bytes;
}

ClientState ReadClientState(const fs::path &dir)
{
    if (dir.empty())
        return {};
    std::vector<FileId> known;
    std::size_t size = 0;
    if (const File file = OpenRegularFile(dir / "known.met", ClientReadLimits::kKnownMet, size)) {
        MetReader in(file.get(), size);
        if (auto files = ReadKnownMet(in))
            known = std::move(*files);
    }
    std::vector<Md4Hash> cancelled;
    if (const auto bytes = ReadBoundedFile(dir / "canceled.met", ClientReadLimits::kCanceledMet))
        if (auto hashes = ReadCanceledMet(*bytes))
            cancelled = std::move(*hashes);
    std::vector<PartMet> downloads;
    for (const fs::path &file : PartMetFiles(ClientTempDirectory(dir)))
        if (auto part = ReadPartFile(file))
            downloads.push_back(*part);
    return ClientState(std::move(known), std::move(downloads), std::move(cancelled));
}

std::vector<fs::path> ClientStatePaths(const fs::path &dir)
{
    if (dir.empty())
        return {};
    const fs::path temp = ClientTempDirectory(dir);
    std::vector<fs::path> paths = {dir, temp};
    for (const char *name : {"known.met", "canceled.met", "amule.conf"})
        paths.push_back(dir / name);
    for (fs::path &file : PartMetFiles(temp))
        paths.push_back(std::move(file));
    std::error_code error;
    std::erase_if(paths, [&error](const fs::path &path) { return !fs::exists(path, error); });
    return paths;
}

} // namespace jiujiu
