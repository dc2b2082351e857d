#include "runtime/fatalerror.h"

#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/uiservices.h"

#include <cstdio>
#include <cstdlib>

namespace jiujiu {

Text FatalErrorText(std::string_view message)
{
    static const Text head = Utf8ToText("运行时出错!\r\n\r\n错误信息：");
    return Concatenate({head, message, "\r\n"});
}

void FatalError(std::string_view message)
{
    static const Text caption = Utf8ToText("错误");
    CurrentUiServices().messageBox(FatalErrorText(message), MbIconError | MbTaskModal, caption);
    std::fflush(nullptr);
    std::_Exit(-1);
}

Text AllocationFailureMessage(std::size_t size)
{
    char buffer[96];
    const Text format = Utf8ToText("分配 %d 字节内存失败!");
    std::snprintf(buffer, sizeof buffer, format.c_str(), static_cast<int>(size));
    return buffer;
}

void AllocationFailure(std::size_t size)
{
    FatalError(AllocationFailureMessage(size));
}

} // namespace jiujiu
