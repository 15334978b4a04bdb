#pragma once
// Cooperative interruption of long library work. The caller that runs a
// request owns a stop flag and installs it on its thread with an
// InterruptScope; long loops call poll_interrupt() at safe points (between
// search levels, every few thousand candidates or pairs), which throws
// Interrupted once the flag is set. Nothing the library returns is partial:
// the exception unwinds every owner, and only the binding catches it.
// Threads started by parallel_for() carry their caller's flag.

#include <atomic>

namespace vantor {

// Thrown by poll_interrupt() when the current request was asked to stop.
struct Interrupted {};

// Installs `flag` as the stop flag of the calling thread for the scope's
// lifetime and restores the previous one afterwards (scopes nest).
class InterruptScope {
public:
    explicit InterruptScope(const std::atomic<bool>* flag) noexcept;
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    const std::atomic<bool>* previous_;
};

// The stop flag of the calling thread, or nullptr when none is installed.
const std::atomic<bool>* current_interrupt_flag() noexcept;

// Throws Interrupted when the calling thread's stop flag is set; costs one
// relaxed load otherwise.
inline void poll_interrupt() {
    const std::atomic<bool>* flag = current_interrupt_flag();
    if (flag != nullptr && flag->load(std::memory_order_relaxed)) throw Interrupted{};
}

}  // namespace vantor
