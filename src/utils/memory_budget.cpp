#include "utils/memory_budget.hpp"

#include <cstdio>
#include <iterator>
#include <limits>

namespace vantor {
namespace {

// Requests this small are never refused: reading the limits takes about
// 0.1 ms, more than building a result of this size costs, and a process
// that cannot find this much more memory fails at its next allocation
// anyway.
constexpr std::uint64_t kAlwaysFits = std::uint64_t{8} << 20;

// "6.1 GiB", "512.0 MiB", "4 bytes".
std::string amount(std::uint64_t bytes) {
    static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    if (bytes < 1024) return std::to_string(bytes) + " bytes";
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

struct Budget {
    std::uint64_t bytes;
    MemorySource source;
};

Budget budget() {
    // The estimates count a request's own buffers and the objects it
    // returns, as measured; the reserve of one eighth covers what they do
    // not: allocator rounding and fragmentation, the stacks and allocator
    // arenas of worker threads (which count against the address-space
    // limit), the interpreter's own growth, and other processes taking
    // memory while the request runs. A request that fits its budget but
    // meets a full machine still gets MemoryError from the failing
    // allocation.
    const MemoryHeadroom headroom = memory_headroom("/");
    return {headroom.bytes - headroom.bytes / 8, headroom.source};
}

}  // namespace

RequestTooLarge::RequestTooLarge(std::uint64_t needed, std::uint64_t budget, MemorySource source,
                                 bool at_least) {
    const std::string available =
        amount(budget) + " available (" + memory_source_name(source) + ")";
    message_ = needed == std::numeric_limits<std::uint64_t>::max()
                   ? "request is too large to size; " + available
                   : std::string(at_least ? "request needs more than " : "request needs about ") +
                         amount(needed) + "; " + available;
}

std::uint64_t memory_budget_bytes() { return budget().bytes; }

void ensure_fits_in_memory(std::uint64_t bytes) {
    if (bytes <= kAlwaysFits) return;
    const Budget room = budget();
    if (bytes > room.bytes) throw RequestTooLarge(bytes, room.bytes, room.source);
}

void ensure_growth_fits_in_memory(std::uint64_t bytes) {
    if (bytes <= kAlwaysFits) return;
    const Budget room = budget();
    if (bytes > room.bytes) throw RequestTooLarge(bytes, room.bytes, room.source, true);
}

void ensure_fits_in_memory(std::uint64_t count, std::uint64_t bytes_each) {
    std::uint64_t total;
    if (__builtin_mul_overflow(count, bytes_each, &total)) {
        total = std::numeric_limits<std::uint64_t>::max();
    }
    ensure_fits_in_memory(total);
}

}  // namespace vantor
