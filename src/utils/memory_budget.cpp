#include "memory_budget.hpp"

#include <unistd.h>

#include <new>

namespace vantor {

std::uint64_t memory_budget_bytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || page_size <= 0) return std::uint64_t{1} << 32;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size) / 2;
}

void ensure_fits_in_memory(std::uint64_t count, std::uint64_t bytes_each) {
    std::uint64_t total;
    if (__builtin_mul_overflow(count, bytes_each, &total) || total > memory_budget_bytes()) {
        throw std::bad_alloc();
    }
}

}  // namespace vantor
