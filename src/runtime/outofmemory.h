#pragma once

namespace jiujiu {

// Makes a failed allocation fatal: the runtime's error box with "分配 N 字节内存失败!" (the
// size asked for) and exit code -1, instead of an uncaught std::bad_alloc. Installed first
// thing by each program.
void InstallAllocationFailureHandler();

} // namespace jiujiu
