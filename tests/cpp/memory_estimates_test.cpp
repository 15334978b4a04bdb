// The memory guard's estimate of multiquadratic requests stays above the
// peak they really reach, on a grid of small requests of both kinds (few
// translations, and the dense ones whose pairs grow with the square of the
// points). Each request runs in a child process so that its peak resident
// memory can be read on its own.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "algebraic/field/multiquadratic_field.hpp"
#include "algebraic/section2/translations.hpp"
#include "algebraic/units/section2_params.hpp"
#include "certificate.hpp"
#include "construction.hpp"
#include "utils/memory_estimates.hpp"

namespace vantor {
namespace {

std::int64_t resident_peak_bytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
}

// The growth of the peak resident memory while the request runs, plain and
// then certified, in a child process; -1 when the child fails.
std::int64_t measured_peak(const std::vector<std::int64_t>& generators, std::int64_t p,
                           std::uint64_t k, std::uint64_t n) {
    int channel[2];
    if (pipe(channel) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const std::int64_t before = resident_peak_bytes();
        auto request = multiquadratic_construction(generators, p, k);
        bool built = request && generate_points(*request, n) && certify_construction(*request, n);
        const std::int64_t growth = built ? resident_peak_bytes() - before : -1;
        const bool written = write(channel[1], &growth, sizeof growth) == sizeof growth;
        _exit(written ? 0 : 1);
    }
    close(channel[1]);
    std::int64_t growth = -1;
    if (read(channel[0], &growth, sizeof growth) != sizeof growth) growth = -1;
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return growth;
}

TEST(MemoryEstimates, MultiquadraticEstimateStaysAbovePeak) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory and quarantine change every peak";
#else
    const std::vector<std::tuple<std::vector<std::int64_t>, std::int64_t, std::uint64_t>> requests = {
        {{2}, 17, 2}, {{5}, 29, 2}, {{-1}, 5, 4}, {{2}, 17, 3}, {{-1}, 5, 20},
        {{2, 3}, 73, 1}, {{2, 3}, 73, 2}, {{2, 3, 5}, 241, 1}};
    for (const auto& [generators, p, k] : requests) {
        auto params = prepare_section2_params(generators, p, k);
        ASSERT_TRUE(params);
        auto field = MultiquadraticField::from_generators(params->generators);
        ASSERT_TRUE(field);
        auto translations = translation_list(*field, p, k, params->max_prime_exponent);
        ASSERT_TRUE(translations);
        for (std::uint64_t n : {2000u, 10000u}) {
            const std::int64_t peak = measured_peak(generators, p, k, n);
            ASSERT_GE(peak, 0) << p << " " << k << " " << n;
            const auto estimate = static_cast<std::int64_t>(multiquadratic_peak_bytes(
                field->degree(), translations->numerators.size(), n));
            EXPECT_GT(estimate, peak) << "generators " << generators.size() << ", p " << p
                                      << ", k " << k << ", n " << n;
        }
    }
#endif
}

}  // namespace
}  // namespace vantor
