// A small program the runtime tests start, to look at the runtime from inside a process of
// its own:
//   runtime_probe fds FILE            writes the numbers of its open descriptors to FILE
//   runtime_probe programdir [FILE]   prints ProgramDirectory() and the current directory, then
//                                     runs FILE from the program directory and prints whether
//                                     it started
//   runtime_probe allocate SIZE LIMIT allocates SIZE bytes under an address-space LIMIT
#include "runtime/codepage.h"
#include "runtime/outofmemory.h"
#include "runtime/process.h"
#include "runtime/programdirectory.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace jiujiu;

namespace {

int ListDescriptors(const char *file)
{
    DIR *dir = opendir("/proc/self/fd");
    if (!dir)
        return 3;
    std::vector<int> fds;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const int fd = std::atoi(entry->d_name);
        if (fd != dirfd(dir))
            fds.push_back(fd);
    }
    closedir(dir);
    std::sort(fds.begin(), fds.end());
    std::ofstream out(file);
    for (int fd : fds)
        out << fd << ' ';
    return out ? 0 : 3;
}

int ShowProgramDirectory(const char *file)
{
    InitProgramDirectory();
    std::printf("%s\n%s\n", TextToLocal(ProgramDirectory()).c_str(),
                std::filesystem::current_path().native().c_str());
    if (file) {
        const Text line = "\"" + ProgramDirectory() + "/" + LocalToText(file) + "\"";
        std::printf("%s\n", RunCommandLine(line, Value(true)) ? "started" : "not started");
    }
    return 0;
}

int AllocateUnderLimit(const char *sizeText, const char *limitText)
{
    InstallAllocationFailureHandler();
    const std::size_t size = std::strtoull(sizeText, nullptr, 10);
    const rlim_t limit = std::strtoull(limitText, nullptr, 10);
    const rlimit rl{limit, limit};
    if (setrlimit(RLIMIT_AS, &rl) != 0)
        return 3;
    char *block = new char[size];
    std::memset(block, 1, 4096);
    std::printf("allocated %p\n", static_cast<void *>(block));
    delete[] block;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "fds") == 0)
        return ListDescriptors(argv[2]);
    if ((argc == 2 || argc == 3) && std::strcmp(argv[1], "programdir") == 0)
        return ShowProgramDirectory(argc == 3 ? argv[2] : nullptr);
    if (argc == 4 && std::strcmp(argv[1], "allocate") == 0)
        return AllocateUnderLimit(argv[2], argv[3]);
    std::fprintf(stderr,
                 "usage: runtime_probe fds FILE | programdir [FILE] | allocate SIZE LIMIT\n");
    return 2;
}
