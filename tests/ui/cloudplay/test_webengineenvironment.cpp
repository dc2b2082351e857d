#include "ui/cloudplay/webengineenvironment.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <unistd.h>

using namespace jiujiu;

namespace {

std::optional<std::string> Get(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void Put(const char *name, const std::optional<std::string> &value)
{
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

// Puts the two variables back as they were, whatever the test did.
class SavedEnvironment
{
public:
    ~SavedEnvironment()
    {
        Put("QTWEBENGINE_DISABLE_SANDBOX", m_sandbox);
        Put("QTWEBENGINE_CHROMIUM_FLAGS", m_flags);
    }

private:
    std::optional<std::string> m_sandbox = Get("QTWEBENGINE_DISABLE_SANDBOX");
    std::optional<std::string> m_flags = Get("QTWEBENGINE_CHROMIUM_FLAGS");
};

} // namespace

// Only root needs the sandbox off; a value the user set is never replaced.
TEST(PrepareWebEngineEnvironment, SandboxOffOnlyForRootAndOnlyWhereUnset)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "switching between root and another user needs root";
    struct Row
    {
        const char *name;
        bool asRoot;
        std::optional<std::string> sandbox, flags;                 // before
        std::optional<std::string> expectedSandbox, expectedFlags; // after
    };
    const Row rows[] = {
        {"root, nothing set", true, {}, {}, "1", "--no-sandbox --disable-gpu"},
        {"root, flags given", true, {}, "--enable-logging", "1", "--enable-logging"},
        {"root, sandbox given", true, "0", {}, "0", "--no-sandbox --disable-gpu"},
        {"other user, nothing set", false, {}, {}, {}, {}},
        {"other user, flags given", false, {}, "--enable-logging", {}, "--enable-logging"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        SavedEnvironment saved;
        Put("QTWEBENGINE_DISABLE_SANDBOX", row.sandbox);
        Put("QTWEBENGINE_CHROMIUM_FLAGS", row.flags);
        if (!row.asRoot) {
            ASSERT_EQ(::seteuid(65534), 0); // nobody
        }
        PrepareWebEngineEnvironment();
        if (!row.asRoot) {
            ASSERT_EQ(::seteuid(0), 0);
        }
        EXPECT_EQ(Get("QTWEBENGINE_DISABLE_SANDBOX"), row.expectedSandbox);
        EXPECT_EQ(Get("QTWEBENGINE_CHROMIUM_FLAGS"), row.expectedFlags);
    }
}
