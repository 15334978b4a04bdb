#pragma once
// Library work run with the interpreter lock released, so that other Python
// threads go on meanwhile, and stoppable by a signal: while long work runs on
// a worker thread, the calling thread waits and every 50 ms takes the lock
// back briefly to let the interpreter run its signal handlers. When a handler
// raises (Ctrl-C raises KeyboardInterrupt), the work is asked to stop at its
// next safe point, everything it built is released, and the call ends with
// that exception and no result.

#include <Python.h>

#include <atomic>
#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

#include "utils/interrupt.hpp"

namespace vantor::python {

namespace detail {

// Runs call(context) without the interpreter lock: on a worker thread with
// signal checks when `long_running`, else on this thread. Between two signal
// checks, with the lock held, tick(tick_context) runs when given (a progress
// report); when it returns false it has set an exception. Returns false,
// with the Python exception set, when a signal handler or the tick raised;
// `stop` has then been set and the work has finished.
bool run_without_lock(void (*call)(void*), void* context, std::atomic<bool>* stop,
                      bool long_running, bool (*tick)(void*) = nullptr,
                      void* tick_context = nullptr);

// run_released and run_released_ticking: the value of work() or nothing.
template <class Work>
std::optional<std::invoke_result_t<Work&>> run_released_with(Work& work, bool long_running,
                                                            bool (*tick)(void*),
                                                            void* tick_context) {
    using Value = std::invoke_result_t<Work&>;
    struct Context {
        Work* work = nullptr;
        std::atomic<bool> stop{false};
        std::optional<Value> value;
        std::exception_ptr error;
    } context;
    context.work = &work;
    auto call = [](void* raw) {
        auto* c = static_cast<Context*>(raw);
        InterruptScope scope(&c->stop);
        try {
            c->value.emplace((*c->work)());
        } catch (...) {
            c->error = std::current_exception();
        }
    };
    if (!run_without_lock(call, &context, &context.stop, long_running, tick, tick_context)) {
        return std::nullopt;
    }
    if (context.error) std::rethrow_exception(context.error);
    return std::move(context.value);
}

}  // namespace detail

// The value of work(), computed without the interpreter lock; nothing when a
// signal handler raised meanwhile (its exception is set). An exception
// thrown by the work is rethrown here, on the calling thread. The work must
// not touch any Python object.
template <class Work>
std::optional<std::invoke_result_t<Work&>> run_released(Work&& work, bool long_running = true) {
    return detail::run_released_with(work, long_running, nullptr, nullptr);
}

// The same, on a worker thread, calling tick() with the interpreter lock
// about every 50 ms while the work runs (to report progress); tick returns
// false with an exception set to stop the work, which then ends with that
// exception.
template <class Work, class Tick>
std::optional<std::invoke_result_t<Work&>> run_released_ticking(Work&& work, Tick&& tick) {
    auto on_tick = [](void* raw) { return (*static_cast<std::remove_reference_t<Tick>*>(raw))(); };
    return detail::run_released_with(work, true, on_tick, &tick);
}

}  // namespace vantor::python
