// Counts the heap allocations this thread makes while the filter runs, through the
// allocator hooks of the sanitizer runtime, so that the fuzzer can tell whether the
// filter's memory grows with its input.
#pragma once

#include <cstdint>

namespace pagevet::fuzz {

struct AllocationTally {
    long count = 0;               // allocations made
    std::int64_t peakBytes = 0;   // most bytes held at once, counted from the start
    std::int64_t bytesAtEnd = 0;  // still held at the end: more than 0 is a leak
};

// Installs the hooks and checks that they see allocations; aborts when they cannot (a
// build without AddressSanitizer has no allocator to hook).
void installAllocationHooks();

// Counts from construction to stop(); only allocations of the constructing thread count.
class AllocationWatch {
  public:
    AllocationWatch();
    ~AllocationWatch();
    AllocationWatch(const AllocationWatch&) = delete;
    AllocationWatch& operator=(const AllocationWatch&) = delete;

    AllocationTally stop();
};

}  // namespace pagevet::fuzz
