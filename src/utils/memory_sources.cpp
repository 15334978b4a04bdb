#include "utils/memory_sources.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string>
#include <string_view>

namespace vantor {
namespace {

constexpr std::uint64_t kKibibyte = 1024;

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\n");
    return text.substr(first, last - first + 1);
}

// A whole unsigned decimal number and nothing else ("max", "-1", "12k" and
// the empty text are not numbers).
std::optional<std::uint64_t> parse_number(std::string_view text) {
    text = trim(text);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint64_t> times(std::optional<std::uint64_t> value, std::uint64_t factor) {
    std::uint64_t product = 0;
    if (!value || __builtin_mul_overflow(*value, factor, &product)) return std::nullopt;
    return product;
}

// The first line of a file, or nullopt when it cannot be read.
std::optional<std::string> first_line(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    return line;
}

std::optional<std::uint64_t> read_number_file(const std::filesystem::path& file) {
    const auto line = first_line(file);
    return line ? parse_number(*line) : std::nullopt;
}

// The value of the "<key><separator> <number>[ kB]" line of a file such as
// /proc/meminfo or a cgroup's memory.stat, in bytes (kB lines are scaled).
std::optional<std::uint64_t> read_keyed_value(const std::filesystem::path& file,
                                              std::string_view key, char separator) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        std::string_view view = line;
        if (!view.starts_with(key) || view.size() <= key.size() || view[key.size()] != separator) {
            continue;
        }
        view.remove_prefix(key.size() + 1);
        view = trim(view);
        if (view.ends_with("kB")) {
            view.remove_suffix(2);
            return times(parse_number(view), kKibibyte);
        }
        return parse_number(view);
    }
    return std::nullopt;
}

std::optional<std::uint64_t> smaller(std::optional<std::uint64_t> a,
                                     std::optional<std::uint64_t> b) {
    if (!a) return b;
    if (!b) return a;
    return std::min(*a, *b);
}

// The files one cgroup version keeps its memory accounting in.
struct CgroupFiles {
    const char* mount;       // below the root
    const char* limit;       // a number, or "max" for none
    const char* usage;       // bytes charged to the group and its descendants
    const char* inactive;    // the memory.stat key of reclaimable page cache
};

constexpr CgroupFiles kCgroupV2{"sys/fs/cgroup", "memory.max", "memory.current", "inactive_file"};
constexpr CgroupFiles kCgroupV1{"sys/fs/cgroup/memory", "memory.limit_in_bytes",
                                "memory.usage_in_bytes", "total_inactive_file"};

// Version 1 writes "no limit" as the largest page count it can hold, just
// under 2^63; no real limit comes near.
constexpr std::uint64_t kNoLimitAbove = std::uint64_t{1} << 62;

// The headroom of one group directory, or nullopt when it sets no limit.
std::optional<std::uint64_t> group_headroom(const std::filesystem::path& group,
                                            const CgroupFiles& files) {
    const auto limit = read_number_file(group / files.limit);
    if (!limit || *limit >= kNoLimitAbove) return std::nullopt;
    std::uint64_t used = read_number_file(group / files.usage).value_or(0);
    const std::uint64_t inactive =
        read_keyed_value(group / "memory.stat", files.inactive, ' ').value_or(0);
    used -= std::min(used, inactive);
    return *limit > used ? *limit - used : 0;
}

// The group at `path` (as /proc/self/cgroup gives it) and every ancestor up
// to the mount point. A process in a cgroup namespace, or in a container
// whose own group is mounted at the mount point, sees a path that does not
// exist below it; the missing levels then simply set no limit and the mount
// point itself is still read.
std::optional<std::uint64_t> hierarchy_headroom(const std::filesystem::path& root,
                                                std::string_view path, const CgroupFiles& files) {
    const std::filesystem::path mount = root / files.mount;
    std::filesystem::path relative = std::filesystem::path(path).relative_path();
    for (const auto& part : relative) {
        if (part == "..") return std::nullopt;  // not a path the kernel writes
    }
    std::optional<std::uint64_t> smallest;
    while (true) {
        smallest = smaller(smallest, group_headroom(mount / relative, files));
        if (relative.empty()) break;
        relative = relative.parent_path();
    }
    return smallest;
}

}  // namespace

std::optional<std::uint64_t> physical_memory_bytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || page_size <= 0) return std::nullopt;
    return times(static_cast<std::uint64_t>(pages), static_cast<std::uint64_t>(page_size));
}

std::optional<std::uint64_t> read_available_memory(const std::filesystem::path& root) {
    return read_keyed_value(root / "proc/meminfo", "MemAvailable", ':');
}

ProcessMemoryUsage read_process_memory_usage(const std::filesystem::path& root) {
    // "size resident shared text lib data dt", in pages; data counts the
    // stack too, which only makes the room under RLIMIT_DATA look smaller.
    const auto line = first_line(root / "proc/self/statm");
    const long page_size = sysconf(_SC_PAGE_SIZE);
    if (!line || page_size <= 0) return {};
    std::optional<std::uint64_t> fields[6];
    std::string_view rest = *line;
    for (auto& field : fields) {
        rest = trim(rest);
        const auto end = rest.find(' ');
        field = times(parse_number(rest.substr(0, end)), static_cast<std::uint64_t>(page_size));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
    }
    return {fields[0], fields[5]};
}

std::optional<std::uint64_t> read_cgroup_headroom(const std::filesystem::path& root) {
    // Lines are "<id>:<controllers>:<path>": the single version 2 line has
    // id 0 and no controllers; the version 1 memory line lists "memory".
    std::ifstream in(root / "proc/self/cgroup");
    std::string line;
    std::optional<std::uint64_t> smallest;
    while (std::getline(in, line)) {
        const std::string_view view = line;
        const auto first = view.find(':');
        const auto second = first == std::string_view::npos ? first : view.find(':', first + 1);
        if (second == std::string_view::npos) continue;
        const std::string_view id = view.substr(0, first);
        const std::string_view controllers = view.substr(first + 1, second - first - 1);
        const std::string_view path = view.substr(second + 1);
        if (!path.starts_with('/')) continue;
        if (id == "0" && controllers.empty()) {
            smallest = smaller(smallest, hierarchy_headroom(root, path, kCgroupV2));
            continue;
        }
        std::string_view rest = controllers;
        while (!rest.empty()) {
            const auto comma = rest.find(',');
            const std::string_view controller = rest.substr(0, comma);
            if (controller == "memory") {
                smallest = smaller(smallest, hierarchy_headroom(root, path, kCgroupV1));
                break;
            }
            rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        }
    }
    return smallest;
}

std::optional<std::uint64_t> resource_limit(int resource) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    return limit.rlim_cur;
}

std::optional<std::uint64_t> room_under(std::optional<std::uint64_t> limit,
                                        std::optional<std::uint64_t> used) {
    if (!limit) return std::nullopt;
    const std::uint64_t counted = used.value_or(0);
    return *limit > counted ? *limit - counted : 0;
}

const char* memory_source_name(MemorySource source) {
    switch (source) {
        case MemorySource::PhysicalMemory:
            return "physical memory";
        case MemorySource::AvailableMemory:
            return "available memory";
        case MemorySource::AddressSpaceLimit:
            return "address-space limit";
        case MemorySource::DataLimit:
            return "data-segment limit";
        case MemorySource::ControlGroup:
            return "control group limit";
        case MemorySource::Unknown:
            break;
    }
    return "no limit known";
}

MemoryHeadroom memory_headroom(const std::filesystem::path& root) {
    // Only a machine that reports nothing at all gets the guess.
    MemoryHeadroom smallest{std::uint64_t{4} << 30, MemorySource::Unknown};
    bool found = false;
    const auto consider = [&](std::optional<std::uint64_t> bytes, MemorySource source) {
        if (!bytes || (found && *bytes >= smallest.bytes)) return;
        smallest = {*bytes, source};
        found = true;
    };
    consider(physical_memory_bytes(), MemorySource::PhysicalMemory);
    consider(read_available_memory(root), MemorySource::AvailableMemory);
    const auto address_space = resource_limit(RLIMIT_AS);
    const auto data = resource_limit(RLIMIT_DATA);
    if (address_space || data) {
        const ProcessMemoryUsage usage = read_process_memory_usage(root);
        consider(room_under(address_space, usage.virtual_bytes), MemorySource::AddressSpaceLimit);
        consider(room_under(data, usage.data_bytes), MemorySource::DataLimit);
    }
    consider(read_cgroup_headroom(root), MemorySource::ControlGroup);
    return smallest;
}

std::uint64_t memory_headroom_bytes(const std::filesystem::path& root) {
    return memory_headroom(root).bytes;
}

}  // namespace vantor
