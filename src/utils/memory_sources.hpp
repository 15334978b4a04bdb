#pragma once
// Where the memory a process may still use is read from: the machine's
// physical memory, the kernel's estimate of available memory, the process's
// resource limits and its control group's limit. Each reader takes the
// directory that stands for the file system root ("/" in use, a directory of
// fake files in tests) and reads defensively: a missing file, a value of
// "max", or text that is not a plain number yields no limit from that source
// rather than an error.

#include <cstdint>
#include <filesystem>
#include <optional>

namespace vantor {

// Physical memory of the machine, from sysconf; nullopt if unknown.
std::optional<std::uint64_t> physical_memory_bytes();

// MemAvailable of <root>/proc/meminfo: memory the kernel can hand out
// without swapping, page cache that can be dropped included.
std::optional<std::uint64_t> read_available_memory(const std::filesystem::path& root);

// The process's mapped address space and its data segment (with the stack)
// from <root>/proc/self/statm, each nullopt when missing or unreadable.
struct ProcessMemoryUsage {
    std::optional<std::uint64_t> virtual_bytes;
    std::optional<std::uint64_t> data_bytes;
};
ProcessMemoryUsage read_process_memory_usage(const std::filesystem::path& root);

// What the control groups of the process still allow: for the memory
// cgroup of <root>/proc/self/cgroup (version 2 under <root>/sys/fs/cgroup,
// version 1 under <root>/sys/fs/cgroup/memory) and each of its ancestors,
// the limit minus the current usage; the smallest of these, or nullopt when
// no level sets a limit. Usage does not count inactive page cache, which
// the kernel reclaims before it runs out of memory in the group.
std::optional<std::uint64_t> read_cgroup_headroom(const std::filesystem::path& root);

// The soft limit of resource (RLIMIT_AS, RLIMIT_DATA), nullopt when
// unlimited.
std::optional<std::uint64_t> resource_limit(int resource);

// The room left under `limit` once `used` bytes count against it: nullopt
// without a limit, 0 when the usage is over it. Unknown usage counts as none.
std::optional<std::uint64_t> room_under(std::optional<std::uint64_t> limit,
                                        std::optional<std::uint64_t> used);

// Which source set the headroom.
enum class MemorySource {
    PhysicalMemory,
    AvailableMemory,
    AddressSpaceLimit,
    DataLimit,
    ControlGroup,
    Unknown,  // nothing reported: a guess of 4 GiB
};

// The words for a source in messages: "physical memory", "available
// memory", "address-space limit", "data-segment limit", "control group
// limit", "no limit known".
const char* memory_source_name(MemorySource source);

struct MemoryHeadroom {
    std::uint64_t bytes;
    MemorySource source;
};

// The smallest of all the sources above, read under root, with the source
// it came from (the first in the order above among equals).
MemoryHeadroom memory_headroom(const std::filesystem::path& root);

// Its number of bytes alone.
std::uint64_t memory_headroom_bytes(const std::filesystem::path& root);

}  // namespace vantor
