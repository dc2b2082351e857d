#include "amuledaemon.h"

#include "childprocess.h"

#include <arpa/inet.h>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <random>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace jiujiu::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Owns a socket descriptor.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(Descriptor &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Descriptor &operator=(Descriptor &&) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// External connections take the password's MD5, in lower-case hexadecimal.
std::string Md5Hex(const std::string &text)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest.data(), &length, EVP_md5(), nullptr);
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

bool Accepts(int port)
{
    const Descriptor socket(::socket(AF_INET, SOCK_STREAM, 0));
    if (socket.fd() < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::connect(socket.fd(), reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
}

bool IsHash(const std::string &text)
{
    if (text.size() != 32)
        return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

} // namespace

std::vector<int> FreeLoopbackPorts(std::size_t count)
{
    // All sockets stay bound until every port is known, so no port is handed out twice.
    std::vector<Descriptor> sockets;
    std::vector<int> ports;
    sockets.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        sockets.emplace_back(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        const int fd = sockets.back().fd();
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0)
            return {};
        ports.push_back(ntohs(address.sin_port));
    }
    return ports;
}

AmuleDaemon::AmuleDaemon(const fs::path &home, const std::string &amuled)
    : m_config(home / ".aMule")
{
    std::random_device random;
    m_password = "jiujiu-" + std::to_string(random());
    const std::vector<int> ports = FreeLoopbackPorts(2);
    if (ports.size() != 2)
        return;
    m_ecPort = ports[0];
    const int clientPort = ports[1];
    fs::create_directories(m_config / "Temp");
    fs::create_directories(m_config / "Incoming");
    std::ofstream(m_config / "amule.conf")
        << "[eMule]\n"
        << "Nick=jiujiu-test\n"
        << "Port=" << clientPort << "\n"
        << "UDPPort=" << clientPort << "\n"
        << "UDPEnable=0\n"
        << "Address=127.0.0.1\n"
        << "Autoconnect=0\nReconnect=0\nConnectToKad=0\nConnectToED2K=0\n"
        << "AddServerListFromServer=0\nAddServerListFromClient=0\n"
        << "UPnPEnabled=0\nNewVersionCheck=0\nGeoIPEnabled=0\nIPFilterAutoLoad=0\n"
        << "CheckDiskspace=0\nKadNodesUrl=\nEd2kServersUrl=\n"
        << "TempDir=" << (m_config / "Temp").string() << "\n"
        << "IncomingDir=" << (m_config / "Incoming").string() << "\n"
        << "OSDirectory=" << m_config.string() << "/\n"
        << "[ExternalConnect]\n"
        << "AcceptExternalConnections=1\n"
        << "ECAddress=127.0.0.1\n"
        << "ECPort=" << m_ecPort << "\n"
        << "ECPassword=" << Md5Hex(m_password) << "\n"
        << "UPnPECEnabled=0\n"
        << "[WebServer]\nEnabled=0\n";

    const std::string logPath = (m_config / "daemon.log").string();
    const std::string configDir = m_config.string();
    m_pid = ::fork();
    if (m_pid == 0) {
        // Its own process group, so that whatever it starts goes with it.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0)
            ::_exit(127);
        ::dup2(in, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        ::execl(amuled.c_str(), amuled.c_str(), "--config-dir", configDir.c_str(), "--log-stdout",
                static_cast<char *>(nullptr));
        ::_exit(127);
    }
    if (m_pid > 0)
        ::setpgid(m_pid, m_pid); // also from here: no race with the first kill of the group
}

AmuleDaemon::~AmuleDaemon()
{
    if (m_pid <= 0)
        return;
    ::kill(-m_pid, SIGKILL);
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
}

bool AmuleDaemon::waitUntilReady(std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (m_pid > 0 && Clock::now() < deadline) {
        if (Accepts(m_ecPort))
            return true;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

bool AmuleDaemon::stop(std::chrono::milliseconds limit)
{
    if (m_pid <= 0)
        return false;
    ::kill(m_pid, SIGTERM);
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::map<std::string, std::string> AmuleDaemon::downloads(const std::string &amulecmd,
                                                          std::string *error) const
{
    ChildProcess query({amulecmd, "--host=127.0.0.1", "--port=" + std::to_string(m_ecPort),
                        "--password=" + m_password, "--command=show dl"});
    std::string out, err;
    const int status = query.finish(&out, &err);
    std::map<std::string, std::string> found;
    // Each download starts with " > HASH NAME"; its progress line follows as " > \t...".
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(" > ", 0) != 0 || line.size() < 3 + 32 + 1)
            continue;
        const std::string hash = line.substr(3, 32);
        if (IsHash(hash) && line[35] == ' ')
            found[hash] = line.substr(36);
    }
    if (error)
        *error = "amulecmd exit status " + std::to_string(status) + "\n" + out + err;
    return found;
}

bool AmuleDaemon::command(const std::string &amulecmd, const std::string &command,
                          std::string *output) const
{
    // A busy daemon drops an EC connection now and then ("Empty reply"); the command never ran.
    std::string out, err;
    int status = -1;
    for (int attempt = 0; attempt < 5; ++attempt) {
        ChildProcess query({amulecmd, "--host=127.0.0.1", "--port=" + std::to_string(m_ecPort),
                            "--password=" + m_password, "--command=" + command});
        out.clear();
        err.clear();
        status = query.finish(&out, &err);
        if ((out + err).find("Connection Failed") == std::string::npos)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    if (output)
        *output = out + err;
    return status == 0 && out.find("Operation was successful") != std::string::npos;
}

std::string AmuleDaemon::log() const
{
    std::ifstream in(m_config / "daemon.log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace jiujiu::test
