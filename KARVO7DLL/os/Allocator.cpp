// Heap behind the replaceable allocator. Each block remembers the allocator that served it, so
// a block is always returned to its own allocator even when another has been installed since.
#include <mutex>
#include <new>

#include "OsLayer.h"
#include "SystemServices.h"

namespace {

struct AllocatorSlot {
    std::mutex mutex;
    K7OsAllocator allocator{nullptr, k7::os::systemAllocate, k7::os::systemRelease};
};

AllocatorSlot& slot() {
    static AllocatorSlot instance;
    return instance;
}

// Header in front of every block: who releases it.
struct alignas(std::max_align_t) BlockHeader {
    void (*release)(void*, void*);
    void* context;
};

}  // namespace

namespace k7::os {

void* heapAlloc(std::size_t size) {
    K7OsAllocator a;
    {
        AllocatorSlot& s = slot();
        std::lock_guard lock(s.mutex);
        a = s.allocator;
    }
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
    AllocatorSlot& s = slot();
    std::lock_guard lock(s.mutex);
    if (allocator != nullptr && allocator->allocate != nullptr && allocator->release != nullptr) {
        s.allocator = *allocator;
    } else {
        s.allocator = K7OsAllocator{nullptr, k7::os::systemAllocate, k7::os::systemRelease};
    }
}
