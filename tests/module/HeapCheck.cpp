#include "HeapCheck.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr unsigned kLive = 0x4C495645;  // "LIVE"
constexpr unsigned kFreed = 0x46524545; // "FREE"
constexpr unsigned char kPoison = 0xDD;
constexpr size_t kHeldBack = 4096;

// Sixteen bytes, so that the block after it keeps the alignment malloc gave.
struct alignas(16) BlockHeader {
    size_t size;
    unsigned state;
};

std::atomic<long> g_live{0};
CRITICAL_SECTION g_lock;
BlockHeader* g_heldBack[kHeldBack];
size_t g_next = 0;

bool InitLock()
{
    InitializeCriticalSection(&g_lock);
    return true;
}

void Fail(const char* what, const void* block)
{
    fprintf(stderr, "heap check: %s (block %p)\n", what, block);
    fflush(stderr);
    abort();
}

void* Allocate(size_t size)
{
    BlockHeader* header = static_cast<BlockHeader*>(malloc(sizeof(BlockHeader) + (size ? size : 1)));
    if (!header)
        return nullptr;
    header->size = size;
    header->state = kLive;
    ++g_live;
    return header + 1;
}

void Release(void* block)
{
    if (!block)
        return;
    static const bool initialised = InitLock();
    (void)initialised;
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    if (header->state == kFreed)
        Fail("deleted twice", block);
    if (header->state != kLive)
        Fail("deleted but not allocated by operator new", block);
    header->state = kFreed;
    memset(block, kPoison, header->size);
    --g_live;

    EnterCriticalSection(&g_lock);
    BlockHeader* oldest = g_heldBack[g_next];
    g_heldBack[g_next] = header;
    g_next = (g_next + 1) % kHeldBack;
    LeaveCriticalSection(&g_lock);
    if (!oldest)
        return;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(oldest + 1);
    for (size_t i = 0; i < oldest->size; ++i)
        if (bytes[i] != kPoison)
            Fail("written after it was deleted", oldest + 1);
    free(oldest);
}

void* AllocateOrThrow(size_t size)
{
    void* block = Allocate(size);
    if (!block)
        throw std::bad_alloc();
    return block;
}

} // namespace

long heapcheck::LiveBlocks()
{
    return g_live.load();
}

void* operator new(size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new[](size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void operator delete(void* block) noexcept
{
    Release(block);
}

void operator delete[](void* block) noexcept
{
    Release(block);
}

void operator delete(void* block, size_t) noexcept
{
    Release(block);
}

void operator delete[](void* block, size_t) noexcept
{
    Release(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept
{
    Release(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    Release(block);
}
