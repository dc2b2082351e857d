#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace jiujiu {

// A file that takes the place of path only once it is whole: it is written under a temporary
// name in the same directory, and commit() flushes it to the disk and renames it over path.
// Until then, and whenever something fails, path is as it was and the temporary file is
// removed (at the latest with the object). Errors say what failed, in the C library's words
// for the current locale.
class AtomicFile final
{
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Makes the temporary file; a file that is replaced keeps its permissions.
    bool open(std::string *error = nullptr);
    // Where to write, once open() succeeded; null before.
    std::FILE *stream() const { return m_stream.get(); }
    bool commit(std::string *error = nullptr);

private:
    struct Closer
    {
        void operator()(std::FILE *file) const { std::fclose(file); }
    };
    bool abandon(std::string *error, int number);
    // The stream's writes: they keep the first error's number, which stdio does not.
    static ssize_t Write(void *self, const char *bytes, std::size_t size);

    std::string m_path;
    std::string m_temporary;
    int m_fd = -1;
    int m_writeError = 0;
    std::unique_ptr<std::FILE, Closer> m_stream;
};

// Replaces the file at path with the bytes, or leaves it as it was (see AtomicFile).
bool WriteFileAtomically(const std::string &path, std::string_view bytes,
                         std::string *error = nullptr);

} // namespace jiujiu
