#include "utils/parallel.hpp"

#include <sched.h>

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace vantor {
namespace {

constexpr unsigned kMaxThreads = 256;

unsigned affinity_cpus() noexcept {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) return static_cast<unsigned>(count);
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? hardware : 1;
}

}  // namespace

unsigned thread_count() noexcept {
    if (const char* text = std::getenv("VANTOR_NUM_THREADS"); text != nullptr) {
        unsigned value = 0;
        const char* end = text + std::strlen(text);
        auto [stop, error] = std::from_chars(text, end, value);
        if (error == std::errc{} && stop == end && value > 0) return std::min(value, kMaxThreads);
    }
    return std::min(affinity_cpus(), kMaxThreads);
}

}  // namespace vantor
