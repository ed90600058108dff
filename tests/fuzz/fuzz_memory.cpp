// The allocator hooks behind AllocationWatch.
#include "fuzz_memory.h"

#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <cstdlib>

#include "fuzz_check.h"

namespace pagevet::fuzz {
namespace {

// Hook state is per thread: libFuzzer's own threads allocate whenever they like.
thread_local bool watching = false;
thread_local AllocationTally tally;

void onAllocate(const volatile void* /*block*/, std::size_t size) {
    if (!watching) {
        return;
    }
    ++tally.count;
    tally.bytesAtEnd += static_cast<std::int64_t>(size);
    tally.peakBytes = std::max(tally.peakBytes, tally.bytesAtEnd);
}

void onFree(const volatile void* block) {
    if (!watching || block == nullptr) {
        return;
    }
    tally.bytesAtEnd -= static_cast<std::int64_t>(__sanitizer_get_allocated_size(block));
}

}  // namespace

AllocationWatch::AllocationWatch() {
    tally = {};
    watching = true;
}

AllocationWatch::~AllocationWatch() {
    watching = false;
}

AllocationTally AllocationWatch::stop() {
    watching = false;
    return tally;
}

void installAllocationHooks() {
    require(__sanitizer_install_malloc_and_free_hooks(onAllocate, onFree) != 0,
            "memory watch: the sanitizer runtime has no room for another allocator hook");
    // Through a volatile pointer, so that the compiler cannot leave out the allocation.
    void* (*volatile allocate)(std::size_t) = std::malloc;
    AllocationWatch watch;
    void* block = allocate(100);
    std::free(block);
    const AllocationTally seen = watch.stop();
    require(seen.count == 1 && seen.peakBytes == 100 && seen.bytesAtEnd == 0,
            "memory watch: the allocator hooks do not see allocations (build with "
            "-fsanitize=address)");
}

}  // namespace pagevet::fuzz
