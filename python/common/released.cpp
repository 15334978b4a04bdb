#include "common/released.hpp"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace vantor::python::detail {

namespace {

// How long the calling thread waits between two looks at pending signals.
constexpr std::chrono::milliseconds kSignalCheckInterval{50};

}  // namespace

bool run_without_lock(void (*call)(void*), void* context, std::atomic<bool>* stop,
                      bool long_running, bool (*tick)(void*), void* tick_context) {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    auto body = [&] {
        call(context);
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        finished.notify_one();
    };

    PyThreadState* state = PyEval_SaveThread();
    std::thread worker;
    if (long_running) {
        try {
            worker = std::thread(body);
        } catch (const std::system_error&) {
            // No thread to be had: the work runs here, without signal checks.
        } catch (const std::bad_alloc&) {
        }
    }
    if (!worker.joinable()) {
        body();
        PyEval_RestoreThread(state);
        return true;
    }

    bool interrupted = false;
    {
        std::unique_lock lock(mutex);
        while (!finished.wait_for(lock, kSignalCheckInterval, [&] { return done; })) {
            if (interrupted) continue;
            lock.unlock();
            PyEval_RestoreThread(state);
            if (PyErr_CheckSignals() != 0 || (tick != nullptr && !tick(tick_context))) {
                interrupted = true;
                stop->store(true, std::memory_order_relaxed);
            }
            state = PyEval_SaveThread();
            lock.lock();
        }
    }
    worker.join();
    PyEval_RestoreThread(state);
    return !interrupted;
}

}  // namespace vantor::python::detail
