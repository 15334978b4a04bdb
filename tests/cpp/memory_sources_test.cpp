// The memory readers, pointed at a directory of fake /proc and cgroup files.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "utils/memory_budget.hpp"
#include "utils/memory_sources.hpp"

namespace vantor {
namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

using Files = std::map<std::string, std::string>;

// A temporary root holding the given files, removed again at the end.
class FakeRoot {
public:
    explicit FakeRoot(const Files& files) {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantor-root-XXXXXX");
        root_ = mkdtemp(pattern.data());
        for (const auto& [path, text] : files) {
            std::filesystem::create_directories((root_ / path).parent_path());
            std::ofstream(root_ / path) << text;
        }
    }
    ~FakeRoot() { std::filesystem::remove_all(root_); }
    const std::filesystem::path& path() const { return root_; }

private:
    std::filesystem::path root_;
};

struct CgroupCase {
    const char* name;
    Files files;
    std::optional<std::uint64_t> headroom;
};

class CgroupHeadroom : public testing::TestWithParam<CgroupCase> {};

TEST_P(CgroupHeadroom, IsTheSmallestRoomOfTheGroupAndItsAncestors) {
    const FakeRoot root(GetParam().files);
    EXPECT_EQ(read_cgroup_headroom(root.path()), GetParam().headroom);
}

const std::string kV2 = "0::/app.slice/job\n";
const std::string kV2Group = "sys/fs/cgroup/app.slice/job/";
const std::string kV1 = "12:pids:/\n4:cpu,memory:/docker/abc\n0::/\n";
const std::string kV1Mount = "sys/fs/cgroup/memory/";

INSTANTIATE_TEST_SUITE_P(
    FakeFiles, CgroupHeadroom,
    testing::Values(
        CgroupCase{"V2LimitMinusUsageWithoutInactiveCache",
                   {{"proc/self/cgroup", kV2},
                    {kV2Group + "memory.max", "1073741824\n"},
                    {kV2Group + "memory.current", "419430400\n"},
                    {kV2Group + "memory.stat",
                     "anon 1\ninactive_file 104857600\nactive_file 9\n"},
                    {"sys/fs/cgroup/app.slice/memory.max", "max\n"}},
                   1024 * kMiB - 300 * kMiB},
        CgroupCase{"V2TighterAncestorWins",
                   {{"proc/self/cgroup", kV2},
                    {kV2Group + "memory.max", "1073741824\n"},
                    {kV2Group + "memory.current", "0\n"},
                    {"sys/fs/cgroup/app.slice/memory.max", "536870912\n"},
                    {"sys/fs/cgroup/app.slice/memory.current", "268435456\n"}},
                   256 * kMiB},
        CgroupCase{"V2UsageOverTheLimitLeavesNothing",
                   {{"proc/self/cgroup", kV2},
                    {kV2Group + "memory.max", "1048576\n"},
                    {kV2Group + "memory.current", "2097152\n"}},
                   0},
        CgroupCase{"V2MaxMeansNoLimit",
                   {{"proc/self/cgroup", kV2}, {kV2Group + "memory.max", "max\n"}},
                   std::nullopt},
        // A container sees its own group at the mount point, whatever path
        // the host gave it.
        CgroupCase{"V1ContainerGroupAtTheMountPoint",
                   {{"proc/self/cgroup", kV1},
                    {kV1Mount + "memory.limit_in_bytes", "2147483648\n"},
                    {kV1Mount + "memory.usage_in_bytes", "1073741824\n"},
                    {kV1Mount + "memory.stat",
                     "inactive_file 5\ntotal_inactive_file 536870912\n"}},
                   1536 * kMiB},
        CgroupCase{"V1UnlimitedIsTheLargestPageCount",
                   {{"proc/self/cgroup", kV1},
                    {kV1Mount + "docker/abc/memory.limit_in_bytes", "9223372036854771712\n"},
                    {kV1Mount + "docker/abc/memory.usage_in_bytes", "4096\n"}},
                   std::nullopt},
        CgroupCase{"GarbageIsNoLimit",
                   {{"proc/self/cgroup", kV2 + kV1},
                    {kV2Group + "memory.max", "12 GB\n"},
                    {kV1Mount + "memory.limit_in_bytes", "-1\n"}},
                   std::nullopt},
        CgroupCase{"PathsLeavingTheMountAreIgnored",
                   {{"proc/self/cgroup", "0::/../escape\n"},
                    {"sys/fs/cgroup/cgroup.procs", "1\n"},
                    {"sys/fs/memory.max", "1048576\n"}},
                   std::nullopt},
        CgroupCase{"NoFilesNoLimit", {}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MemoryReaders, AvailableMemoryAndProcessUsageAreReadInBytes) {
    const FakeRoot root({{"proc/meminfo", "MemTotal: 9 kB\nMemAvailable:    2048 kB\n"},
                         {"proc/self/statm", "1024 300 100 10 0 128 0\n"}});
    EXPECT_EQ(read_available_memory(root.path()), 2 * kMiB);
    const ProcessMemoryUsage usage = read_process_memory_usage(root.path());
    const std::uint64_t page = sysconf(_SC_PAGE_SIZE);
    EXPECT_EQ(usage.virtual_bytes, 1024 * page);
    EXPECT_EQ(usage.data_bytes, 128 * page);

    const FakeRoot garbled({{"proc/meminfo", "MemAvailable: lots kB\n"},
                            {"proc/self/statm", "99999999999999999999 1 2\n"}});
    EXPECT_EQ(read_available_memory(garbled.path()), std::nullopt);
    EXPECT_EQ(read_process_memory_usage(garbled.path()).virtual_bytes, std::nullopt);
    EXPECT_EQ(read_process_memory_usage(garbled.path()).data_bytes, std::nullopt);
}

TEST(MemoryReaders, RoomUnderALimit) {
    EXPECT_EQ(room_under(std::nullopt, 5), std::nullopt);
    EXPECT_EQ(room_under(100, 30), 70u);
    EXPECT_EQ(room_under(100, 300), 0u);
    EXPECT_EQ(room_under(100, std::nullopt), 100u);
}

TEST(MemoryReaders, TheSmallestSourceBoundsTheHeadroom) {
    const FakeRoot root({{"proc/meminfo", "MemAvailable: 1048576 kB\n"},
                         {"proc/self/cgroup", kV2},
                         {kV2Group + "memory.max", "104857600\n"},
                         {kV2Group + "memory.current", "52428800\n"}});
    EXPECT_EQ(memory_headroom_bytes(root.path()), 50 * kMiB);
    EXPECT_EQ(memory_headroom(root.path()).source, MemorySource::ControlGroup);
    const FakeRoot no_group(Files{{"proc/meminfo", "MemAvailable: 1048576 kB\n"}});
    EXPECT_EQ(memory_headroom_bytes(no_group.path()), 1024 * kMiB);
    // The refusal names both amounts and the source that set the budget.
    EXPECT_STREQ(RequestTooLarge(std::uint64_t{6554} << 20, std::uint64_t{2662} << 20,
                                 MemorySource::AddressSpaceLimit)
                     .what(),
                 "request needs about 6.4 GiB; 2.6 GiB available (address-space limit)");
    // A size that overflows cannot be counted, and is said so.
    try {
        ensure_fits_in_memory(std::uint64_t{1} << 40, std::uint64_t{1} << 40);
        ADD_FAILURE() << "an overflowing size was let through";
    } catch (const RequestTooLarge& refused) {
        EXPECT_EQ(std::string(refused.what()).rfind("request is too large to size; ", 0), 0u);
    }
}

}  // namespace
}  // namespace vantor
