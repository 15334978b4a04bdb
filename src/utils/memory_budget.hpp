#pragma once
// A guard against requests whose results cannot fit in memory. Such a
// request fails promptly with std::bad_alloc (an allocation failure, which
// the module reports as MemoryError) before it allocates anything, instead
// of growing until an allocation fails late, the process is killed by its
// control group, or the machine starts swapping.

#include <cstdint>
#include <new>
#include <string>

#include "utils/memory_sources.hpp"

namespace vantor {

// The allocation failure the guard throws: a std::bad_alloc that says what
// the request needs and what the process has, for example "request needs
// about 6.1 GiB; 2.6 GiB available (address-space limit)".
class RequestTooLarge : public std::bad_alloc {
public:
    // `needed` saturated at 2**64 - 1 means too large to count; with
    // `at_least`, the request was stopped when it had already reached
    // `needed` ("request needs more than ...").
    RequestTooLarge(std::uint64_t needed, std::uint64_t budget, MemorySource source,
                    bool at_least = false);
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// The most any single request may plan to hold at its peak: seven eighths
// of the smallest of physical memory, available memory, the room left under
// the address-space and data limits, and the room left in the process's
// control group, all read afresh.
std::uint64_t memory_budget_bytes();

// Throws RequestTooLarge unless a request whose peak is `bytes` fits in the
// budget.
void ensure_fits_in_memory(std::uint64_t bytes);

// Throws RequestTooLarge, saying the request needs more than `bytes`, unless
// `bytes` (what a growing request holds so far) fits in the budget.
void ensure_growth_fits_in_memory(std::uint64_t bytes);

// Throws RequestTooLarge unless count items of bytes_each bytes fit in the
// budget (an overflowing product does not fit).
void ensure_fits_in_memory(std::uint64_t count, std::uint64_t bytes_each);

}  // namespace vantor
