#include "LogTextCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
// Every array carries a tag in front of it telling how it was allocated.
const unsigned kPlainArray = 0x51A1A1A1u;
const unsigned kNothrowArray = 0x51B2B2B2u;
const std::size_t kHeaderSize = 16;

std::atomic<long> g_liveNothrowArrays{0};

void* AllocateTagged(std::size_t size, unsigned tag)
{
    char* block = static_cast<char*>(std::malloc(size + kHeaderSize));
    if (!block)
        return nullptr;
    *reinterpret_cast<unsigned*>(block) = tag;
    if (tag == kNothrowArray)
        ++g_liveNothrowArrays;
    return block + kHeaderSize;
}

void FreeTagged(void* pointer)
{
    if (!pointer)
        return;
    char* block = static_cast<char*>(pointer) - kHeaderSize;
    if (*reinterpret_cast<unsigned*>(block) == kNothrowArray)
        --g_liveNothrowArrays;
    std::free(block);
}
} // namespace

long LiveNothrowArrays()
{
    return g_liveNothrowArrays;
}

void* operator new[](std::size_t size)
{
    void* pointer = AllocateTagged(size, kPlainArray);
    if (!pointer)
        throw std::bad_alloc();
    return pointer;
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return AllocateTagged(size, kNothrowArray);
}

void operator delete[](void* pointer) noexcept
{
    FreeTagged(pointer);
}

void operator delete[](void* pointer, std::size_t) noexcept
{
    FreeTagged(pointer);
}

void operator delete[](void* pointer, const std::nothrow_t&) noexcept
{
    FreeTagged(pointer);
}
