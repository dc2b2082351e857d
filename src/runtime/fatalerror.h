#pragma once

#include "runtime/value.h"

#include <cstddef>

namespace jiujiu {

// "运行时出错!\r\n\r\n错误信息：" + message + "\r\n"
Text FatalErrorText(std::string_view message);

// Called by FatalError before its message box, e.g. for a front end to say what was done
// before the end; it may end the process itself. Null: none.
using FatalErrorHook = void (*)(std::string_view message);
void SetFatalErrorHook(FatalErrorHook hook);

// Shows the fatal-error message box and ends the process with exit code -1, without the
// clean-up routine.
[[noreturn]] void FatalError(std::string_view message);

// "分配 %d 字节内存失败!"
Text AllocationFailureMessage(std::size_t size);
[[noreturn]] void AllocationFailure(std::size_t size);

} // namespace jiujiu
