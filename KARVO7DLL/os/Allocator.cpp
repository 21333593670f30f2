// Heap behind the replaceable allocator. Each block remembers the allocator that served it, so
// a block is always returned to its own allocator even when another has been installed since.
#include <new>

#include "OsLayer.h"
#include "ProcessSetting.h"
#include "SystemServices.h"

namespace {

constexpr K7OsAllocator kSystemHeap{nullptr, k7::os::systemAllocate, k7::os::systemRelease};

k7::os::ProcessSetting<K7OsAllocator>& installed() {
    static k7::os::ProcessSetting<K7OsAllocator> allocator(kSystemHeap);
    return allocator;
}

// Header in front of every block: who releases it.
struct alignas(std::max_align_t) BlockHeader {
    void (*release)(void*, void*);
    void* context;
};

}  // namespace

namespace k7::os {

void* heapAlloc(std::size_t size) {
    const K7OsAllocator a = installed().get();
    void* raw = a.allocate(a.context, sizeof(BlockHeader) + size);
    if (raw == nullptr) {
        setLastError(K7_ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* header = new (raw) BlockHeader{a.release, a.context};
    return header + 1;
}

void heapFree(void* block) {
    if (block == nullptr) {
        return;
    }
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    const BlockHeader h = *header;
    h.release(h.context, header);
}

}  // namespace k7::os

extern "C" KARVO7_API void K7OsSetAllocator(const K7OsAllocator* allocator) {
    const bool usable =
        allocator != nullptr && allocator->allocate != nullptr && allocator->release != nullptr;
    installed().set(usable ? *allocator : kSystemHeap);
}
