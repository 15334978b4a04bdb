#pragma once
// Progress of long library work, for callers that show it. A caller that
// wants to know how far a request has got installs a sink on the thread
// that runs it with a ProgressScope; long loops on that thread report
// (done, total) at safe points. Reports change nothing the work computes,
// and cost one relaxed store when nobody listens.

#include <atomic>
#include <cstdint>

namespace vantor {

struct ProgressSink {
    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> total{0};
};

// Installs `sink` on the calling thread for the scope's lifetime and
// restores the previous one afterwards.
class ProgressScope {
public:
    explicit ProgressScope(ProgressSink* sink) noexcept;
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    ProgressSink* previous_;
};

// Records `done` out of `total` in the calling thread's sink, if any. A
// later stage of the same work may start again from 0.
void report_progress(std::uint64_t done, std::uint64_t total) noexcept;

}  // namespace vantor
