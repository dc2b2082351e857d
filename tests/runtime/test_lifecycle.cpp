#include "childprocess.h"
#include "runtime/codepage.h"
#include "runtime/fatalerror.h"
#include "runtime/lifecycle.h"
#include "runtime/settings.h"
#include "runtime/uiservices.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

using namespace jiujiu;

namespace {

// Answers message boxes with a fixed button and records the last one.
class RecordingUi final : public UiServices
{
public:
    int answer = IdOk;
    Text text, caption;
    int style = -1;
    int boxes = 0;

    int messageBox(const Text &t, int s, const Text &c) override
    {
        text = t;
        style = s;
        caption = c;
        ++boxes;
        return answer;
    }
    bool setClipboardText(const Text &) override { return true; }
    void clearClipboard() override {}
    bool dispatchPendingEvents() override { return false; }
};

class UiGuard
{
public:
    explicit UiGuard(UiServices *ui) : m_previous(SetUiServices(ui)) {}
    ~UiGuard() { SetUiServices(m_previous); }

private:
    UiServices *m_previous;
};

} // namespace

TEST(ShowMessageBox, AnswersButtonLessOne)
{
    RecordingUi ui;
    UiGuard guard(&ui);
    const std::pair<int, int> rows[] = {{IdOk, 0},    {IdCancel, 1}, {IdAbort, 2},
                                        {IdRetry, 3}, {IdIgnore, 4}, {IdYes, 5},
                                        {IdNo, 6},    {0, 0},        {42, 0}};
    for (auto [button, expected] : rows) {
        ui.answer = button;
        EXPECT_EQ(ShowMessageBox(Value("x"), Value(0x41)), expected) << button;
    }
}

TEST(ShowMessageBox, TextCaptionAndStyle)
{
    RecordingUi ui;
    UiGuard guard(&ui);

    ShowMessageBox(Value("hi"));
    EXPECT_EQ(ui.caption, Utf8ToText("信息："));
    EXPECT_EQ(ui.style, MbTaskModal);

    ShowMessageBox(Value(7), Value(0x41), Value(Utf8ToText("温馨提示")));
    EXPECT_EQ(ui.text, "7");
    EXPECT_EQ(ui.caption, Utf8ToText("温馨提示"));
    EXPECT_EQ(ui.style, 0x41 | MbTaskModal);

    ShowMessageBox(Value(true), Value(MbSystemModal));
    EXPECT_EQ(ui.text, Utf8ToText("真"));
    EXPECT_EQ(ui.style, MbSystemModal) << "system-modal does not also get the task-modal bit";

    ShowMessageBox(Value(ByteSet(std::string("bytes"))));
    EXPECT_EQ(ui.text, "") << "a byte-set is not shown";
    ShowMessageBox(Value(0.1));
    EXPECT_EQ(ui.text, "0.1");
}

TEST(FatalError, MessageFormat)
{
    EXPECT_EQ(TextToUtf8(FatalErrorText(Utf8ToText("载入启动窗口失败"))),
              "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n");
    EXPECT_EQ(TextToUtf8(AllocationFailureMessage(1024)), "分配 1024 字节内存失败!");
    EXPECT_EQ(TextToUtf8(AllocationFailureMessage(std::size_t{3} << 30)),
              "分配 3221225472 字节内存失败!")
        << "sizes past 2 GiB are not shown negative";
}

// A program that runs out of memory ends through the fatal path with the size it asked for.
TEST(AllocationFailure, IsFatalWithTheSize)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves its shadow memory beyond any address-space "
                    "limit and brings its own operator new, which never asks a new-handler";
#elif defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "ThreadSanitizer reserves its shadow memory beyond any address-space limit";
#endif
    struct Row
    {
        const char *name;
        const char *size;
        int exitCode;
        std::string err;
    };
    const std::string limit = std::to_string(std::size_t{512} << 20);
    const Row rows[] = {
        {"one gigabyte", "1073741824", 255,
         "错误: 运行时出错!\r\n\r\n错误信息：分配 1073741824 字节内存失败!\r\n\n"},
        {"past what a 32-bit size holds", "5000000000", 255,
         "错误: 运行时出错!\r\n\r\n错误信息：分配 5000000000 字节内存失败!\r\n\n"},
        {"within the limit", "1048576", 0, ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        test::ChildProcess probe({JIUJIU_RUNTIME_PROBE, "allocate", row.size, limit});
        ASSERT_TRUE(probe.started());
        std::string out, err;
        EXPECT_EQ(probe.finish(&out, &err), row.exitCode) << err;
        EXPECT_EQ(err, row.err);
        EXPECT_EQ(out.rfind("allocated", 0) == 0, row.exitCode == 0) << out;
    }
}

TEST(FatalErrorDeathTest, ExitsWithMinusOneWithoutCleanup)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetCleanupRoutine([] { std::fputs("cleanup ran\n", stderr); });
            FatalError(Utf8ToText("指定窗口或窗口组件不存在或尚未载入"));
        },
        ::testing::ExitedWithCode(255),
        "错误: 运行时出错!\r\n\r\n错误信息：指定窗口或窗口组件不存在或尚未载入\r\n\n$");
}

TEST(EndProgramDeathTest, RunsCleanupOnceAndExitsWithCode)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetCleanupRoutine([] {
                std::fputs("cleanup ran\n", stderr);
                EndProgram(9); // re-entry must not run it again
            });
            EndProgram(3);
        },
        ::testing::ExitedWithCode(9), "^cleanup ran\n$");
}

TEST(Cleanup, RunsOnce)
{
    int runs = 0;
    SetCleanupRoutine([&] { ++runs; });
    RunCleanupRoutine();
    RunCleanupRoutine();
    EXPECT_EQ(runs, 1);
}

TEST(Settings, EnvironmentOverridesDefault)
{
    ::setenv("JIUJIU_SEARCH_HOST", "127.0.0.1:9", 1);
    EXPECT_EQ(HostSetting(Host::Search), "127.0.0.1:9");
    ::unsetenv("JIUJIU_SEARCH_HOST");
    EXPECT_FALSE(HostSetting(Host::Search).empty());
    ::setenv("JIUJIU_STATS_HOST", "", 1);
    EXPECT_EQ(HostSetting(Host::Stats), "") << "an empty variable is a setting too";
    ::unsetenv("JIUJIU_STATS_HOST");
    EXPECT_STREQ(VersionText(), "2.1.1.13");
}
