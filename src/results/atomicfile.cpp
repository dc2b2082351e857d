#include "results/atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace jiujiu {
namespace {

// Owns a file descriptor; close() reports the error a deferred write may only show there.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool Fail(std::string *error, const std::string &what, int number)
{
    if (error)
        *error = what + ": " + std::strerror(number);
    return false;
}

std::string DirectoryOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string TemporaryName(const std::string &path)
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    const std::string directory = DirectoryOf(path);
    const std::size_t slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%012llx",
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFULL));
    return (directory == "/" ? "" : directory) + "/." + base + suffix + ".tmp";
}

} // namespace

bool WriteFileAtomically(const std::string &path, std::string_view bytes, std::string *error)
{
    if (path.empty() || path.back() == '/')
        return Fail(error, path, EISDIR);

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryName(path);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return Fail(error, DirectoryOf(path), errno);
    }
    if (fd < 0)
        return Fail(error, DirectoryOf(path), EEXIST);
    FileDescriptor file(fd);
    const auto abandon = [&](int number) {
        ::unlink(temporary.c_str());
        return Fail(error, path, number);
    };

    // A file that is replaced keeps its permissions.
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            return abandon(EISDIR);
        ::fchmod(file.get(), existing.st_mode & 07777);
    }

    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(file.get(), bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return abandon(errno);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(file.get()) != 0 && errno != EINVAL)
        return abandon(errno);
    if (!file.close())
        return abandon(errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        return abandon(errno);
    return true;
}

} // namespace jiujiu
