#pragma once
// A guard against requests whose results cannot fit in memory. Such a
// request fails promptly with std::bad_alloc (an allocation failure, which
// the module reports as MemoryError) instead of growing until the process
// is killed.

#include <cstdint>

namespace vantor {

// Half of the machine's physical memory: the most any single request may
// plan to hold.
std::uint64_t memory_budget_bytes();

// Throws std::bad_alloc unless count items of bytes_each bytes fit in the
// budget (an overflowing product does not fit).
void ensure_fits_in_memory(std::uint64_t count, std::uint64_t bytes_each);

}  // namespace vantor
