#include "utils/progress_sink.hpp"

namespace vantor {
namespace {

thread_local ProgressSink* current_sink = nullptr;

}  // namespace

ProgressScope::ProgressScope(ProgressSink* sink) noexcept : previous_(current_sink) {
    current_sink = sink;
}

ProgressScope::~ProgressScope() { current_sink = previous_; }

void report_progress(std::uint64_t done, std::uint64_t total) noexcept {
    if (current_sink == nullptr) return;
    current_sink->total.store(total, std::memory_order_relaxed);
    current_sink->done.store(done, std::memory_order_relaxed);
}

}  // namespace vantor
