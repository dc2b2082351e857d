#include "runtime/fatalerror.h"

#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/uiservices.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace jiujiu {
namespace {

std::atomic<FatalErrorHook> g_hook{nullptr};

} // namespace

void SetFatalErrorHook(FatalErrorHook hook)
{
    g_hook = hook;
}

Text FatalErrorText(std::string_view message)
{
    static const Text head = Utf8ToText("运行时出错!\r\n\r\n错误信息：");
    return Concatenate({head, message, "\r\n"});
}

void FatalError(std::string_view message)
{
    // Taken once: a hook that fails itself ends in the plain box.
    if (const FatalErrorHook hook = g_hook.exchange(nullptr))
        hook(message);
    static const Text caption = Utf8ToText("错误");
    CurrentUiServices().messageBox(FatalErrorText(message), MbIconError | MbTaskModal, caption);
    std::fflush(nullptr);
    std::_Exit(-1);
}

Text AllocationFailureMessage(std::size_t size)
{
    // "%d" of the message takes the whole size: a 32-bit int would turn sizes past 2 GiB
    // negative.
    Text message = Utf8ToText("分配 %d 字节内存失败!");
    const auto at = message.find("%d");
    return message.replace(at, 2, std::to_string(size));
}

void AllocationFailure(std::size_t size)
{
    FatalError(AllocationFailureMessage(size));
}

} // namespace jiujiu
