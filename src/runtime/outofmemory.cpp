#include "runtime/outofmemory.h"

#include "runtime/fatalerror.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>
#include <unistd.h>

namespace jiujiu {
namespace {

thread_local std::size_t t_failingSize = 0;

// Given back before the error box is built, so the box itself has memory to work with.
void *g_reserve = nullptr;
constexpr std::size_t kReserveSize = std::size_t{1} << 20;

std::atomic<bool> g_failing{false};
thread_local bool t_failing = false;

[[noreturn]] void OnAllocationFailure()
{
    if (t_failing) {
        // The error box itself ran out: say it the plain way.
        static const char message[] = "out of memory\n";
        (void)!::write(STDERR_FILENO, message, sizeof message - 1);
        std::_Exit(-1);
    }
    t_failing = true;
    if (g_failing.exchange(true)) {
        // Another thread is already reporting and will end the process.
        for (;;)
            std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    std::free(g_reserve);
    g_reserve = nullptr;
    AllocationFailure(t_failingSize);
}

// Asks the new-handler once per failure, as the standard operator new does, but tells it the
// size first.
template <class TryAllocate>
void *AllocateOrAsk(std::size_t size, TryAllocate tryAllocate)
{
    for (;;) {
        if (void *p = tryAllocate())
            return p;
        const std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        t_failingSize = size;
        handler();
        t_failingSize = 0;
    }
}

// Unused where the sanitizer keeps its own allocation functions.
[[maybe_unused]] void *Allocate(std::size_t size)
{
    if (size == 0)
        size = 1;
    return AllocateOrAsk(size, [size] { return std::malloc(size); });
}

[[maybe_unused]] void *AllocateAligned(std::size_t size, std::align_val_t alignment)
{
    const auto align = static_cast<std::size_t>(alignment);
    if (size == 0)
        size = 1;
    // aligned_alloc wants a multiple of the alignment.
    const std::size_t rounded = (size + align - 1) / align * align;
    return AllocateOrAsk(size, [align, rounded] { return std::aligned_alloc(align, rounded); });
}

} // namespace

void InstallAllocationFailureHandler()
{
    if (!g_reserve)
        g_reserve = std::malloc(kReserveSize);
    std::set_new_handler(OnAllocationFailure);
}

} // namespace jiujiu

// The replaceable allocation functions, so the handler learns the size. AddressSanitizer
// brings its own (which never call a new-handler); those stay.
#if defined(__SANITIZE_ADDRESS__)
#define JIUJIU_REPLACE_OPERATOR_NEW 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define JIUJIU_REPLACE_OPERATOR_NEW 0
#endif
#endif
#ifndef JIUJIU_REPLACE_OPERATOR_NEW
#define JIUJIU_REPLACE_OPERATOR_NEW 1
#endif

#if JIUJIU_REPLACE_OPERATOR_NEW
void *operator new(std::size_t size)
{
    return jiujiu::Allocate(size);
}

void *operator new[](std::size_t size)
{
    return jiujiu::Allocate(size);
}

void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    try {
        return jiujiu::Allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void *operator new[](std::size_t size, const std::nothrow_t &) noexcept
{
    try {
        return jiujiu::Allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void *operator new(std::size_t size, std::align_val_t alignment)
{
    return jiujiu::AllocateAligned(size, alignment);
}

void *operator new[](std::size_t size, std::align_val_t alignment)
{
    return jiujiu::AllocateAligned(size, alignment);
}

void *operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t &) noexcept
{
    try {
        return jiujiu::AllocateAligned(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

void *operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t &) noexcept
{
    try {
        return jiujiu::AllocateAligned(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void *p) noexcept
{
    std::free(p);
}

void operator delete[](void *p) noexcept
{
    std::free(p);
}

void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void *p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete(void *p, const std::nothrow_t &) noexcept
{
    std::free(p);
}

void operator delete[](void *p, const std::nothrow_t &) noexcept
{
    std::free(p);
}

void operator delete(void *p, std::align_val_t) noexcept
{
    std::free(p);
}

void operator delete[](void *p, std::align_val_t) noexcept
{
    std::free(p);
}

void operator delete(void *p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}

void operator delete[](void *p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}

void operator delete(void *p, std::align_val_t, const std::nothrow_t &) noexcept
{
    std::free(p);
}

void operator delete[](void *p, std::align_val_t, const std::nothrow_t &) noexcept
{
    std::free(p);
}
#endif
