#include "utils/memory_budget.hpp"

#include <new>

#include "utils/memory_sources.hpp"

namespace vantor {
namespace {

// Requests this small are never refused: reading the limits takes about
// 0.1 ms, more than building a result of this size costs, and a process
// that cannot find this much more memory fails at its next allocation
// anyway.
constexpr std::uint64_t kAlwaysFits = std::uint64_t{8} << 20;

}  // namespace

std::uint64_t memory_budget_bytes() {
    // The estimates count a request's own buffers and the objects it
    // returns, as measured; the reserve of one eighth covers what they do
    // not: allocator rounding and fragmentation, the stacks and allocator
    // arenas of worker threads (which count against the address-space
    // limit), the interpreter's own growth, and other processes taking
    // memory while the request runs. A request that fits its budget but
    // meets a full machine still gets MemoryError from the failing
    // allocation.
    const std::uint64_t headroom = memory_headroom_bytes("/");
    return headroom - headroom / 8;
}

void ensure_fits_in_memory(std::uint64_t bytes) {
    if (bytes <= kAlwaysFits) return;
    if (bytes > memory_budget_bytes()) throw std::bad_alloc();
}

void ensure_fits_in_memory(std::uint64_t count, std::uint64_t bytes_each) {
    std::uint64_t total;
    if (__builtin_mul_overflow(count, bytes_each, &total)) throw std::bad_alloc();
    ensure_fits_in_memory(total);
}

}  // namespace vantor
