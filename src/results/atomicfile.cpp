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

AtomicFile::AtomicFile(std::string path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile()
{
    m_stream.reset();
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temporary.c_str());
    }
}

ssize_t AtomicFile::Write(void *self, const char *bytes, std::size_t size)
{
    auto *file = static_cast<AtomicFile *>(self);
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(file->m_fd, bytes + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (file->m_writeError == 0)
                file->m_writeError = errno;
            return written > 0 ? static_cast<ssize_t>(written) : -1;
        }
        written += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(written);
}

bool AtomicFile::open(std::string *error)
{
    if (m_path.empty() || m_path.back() == '/')
        return Fail(error, m_path, EISDIR);
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temporary = TemporaryName(m_path);
        m_fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST)
            return Fail(error, DirectoryOf(m_path), errno);
    }
    if (m_fd < 0)
        return Fail(error, DirectoryOf(m_path), EEXIST);

    struct stat existing;
    if (::stat(m_path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            return abandon(error, EISDIR);
        ::fchmod(m_fd, existing.st_mode & 07777);
    }
    const cookie_io_functions_t functions = {nullptr, &AtomicFile::Write, nullptr, nullptr};
    m_stream.reset(::fopencookie(this, "w", functions));
    if (!m_stream)
        return abandon(error, errno);
    return true;
}

bool AtomicFile::abandon(std::string *error, int number)
{
    m_stream.reset();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        ::unlink(m_temporary.c_str());
    }
    return Fail(error, m_path, number != 0 ? number : EIO);
}

bool AtomicFile::commit(std::string *error)
{
    if (!m_stream)
        return Fail(error, m_path, EBADF);
    const bool flushed = std::fflush(m_stream.get()) == 0 && !std::ferror(m_stream.get());
    if (!flushed || m_writeError != 0)
        return abandon(error, m_writeError != 0 ? m_writeError : errno);
    m_stream.reset();
    if (::fsync(m_fd) != 0 && errno != EINVAL)
        return abandon(error, errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 || ::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
        const int number = errno;
        ::unlink(m_temporary.c_str());
        return Fail(error, m_path, number);
    }
    return true;
}

bool WriteFileAtomically(const std::string &path, std::string_view bytes, std::string *error)
{
    AtomicFile file(path);
    if (!file.open(error))
        return false;
    std::fwrite(bytes.data(), 1, bytes.size(), file.stream());
    return file.commit(error);
}

} // namespace jiujiu
