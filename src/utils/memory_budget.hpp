#pragma once
// A guard against requests whose results cannot fit in memory. Such a
// request fails promptly with std::bad_alloc (an allocation failure, which
// the module reports as MemoryError) before it allocates anything, instead
// of growing until an allocation fails late, the process is killed by its
// control group, or the machine starts swapping.

#include <cstdint>

namespace vantor {

// The most any single request may plan to hold at its peak: seven eighths
// of the smallest of physical memory, available memory, the room left under
// the address-space and data limits, and the room left in the process's
// control group, all read afresh.
std::uint64_t memory_budget_bytes();

// Throws std::bad_alloc unless a request whose peak is `bytes` fits in the
// budget.
void ensure_fits_in_memory(std::uint64_t bytes);

// Throws std::bad_alloc unless count items of bytes_each bytes fit in the
// budget (an overflowing product does not fit).
void ensure_fits_in_memory(std::uint64_t count, std::uint64_t bytes_each);

}  // namespace vantor
