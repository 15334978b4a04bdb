#pragma once
// Work split over threads without changing results. A request splits its
// work into numbered tasks whose outputs go to separate slots; the tasks run
// on up to thread_count() threads and the caller combines the slots in task
// order, so the result is the same for every thread count.

#include <atomic>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "utils/interrupt.hpp"

namespace vantor {

// The number of threads a request may use: the CPUs this process may run on
// (its affinity mask), or the value of the environment variable
// VANTOR_NUM_THREADS when that holds a positive integer (1 means
// single-threaded; at most 256). Read on every call.
unsigned thread_count() noexcept;

// Runs body(task) for every task in 0 .. tasks - 1, the calling thread
// included among the workers; at most `threads` threads run, and never more
// than there are tasks. Each worker carries the caller's stop flag. The
// first exception thrown by a task stops the claiming of further tasks and
// is rethrown here once every worker has finished. A thread that cannot be
// started leaves its share to the others.
template <class Body>
void parallel_for(std::size_t tasks, unsigned threads, Body&& body) {
    if (tasks == 0) return;
    if (threads <= 1 || tasks == 1) {
        for (std::size_t task = 0; task < tasks; ++task) body(task);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr first_error;
    std::mutex error_mutex;
    const std::atomic<bool>* stop = current_interrupt_flag();
    auto work = [&]() noexcept {
        InterruptScope scope(stop);
        while (!failed.load(std::memory_order_relaxed)) {
            const std::size_t task = next.fetch_add(1, std::memory_order_relaxed);
            if (task >= tasks) break;
            try {
                body(task);
            } catch (...) {
                std::lock_guard lock(error_mutex);
                if (!first_error) first_error = std::current_exception();
                failed.store(true, std::memory_order_relaxed);
            }
        }
    };
    const std::size_t extra = std::min<std::size_t>(threads, tasks) - 1;
    std::vector<std::thread> workers;
    try {
        workers.reserve(extra);
        for (std::size_t w = 0; w < extra; ++w) workers.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads: the ones started and this one share the tasks.
    } catch (const std::bad_alloc&) {
    }
    work();
    for (std::thread& worker : workers) worker.join();
    if (first_error) std::rethrow_exception(first_error);
}

template <class Body>
void parallel_for(std::size_t tasks, Body&& body) {
    parallel_for(tasks, thread_count(), std::forward<Body>(body));
}

// The fault of the lowest item k in 0 .. count - 1 for which check(k)
// returns one, as a plain loop would report it, or nothing. Items are
// checked in blocks of `block` on several threads; each block stops at its
// own first fault, and the lowest block's fault wins. check(k) returns a
// std::optional; stop flags are polled every 65536 items.
template <class Check>
auto first_fault(std::uint64_t count, std::uint64_t block, Check&& check)
    -> std::invoke_result_t<Check&, std::uint64_t> {
    const std::size_t blocks = (count + block - 1) / block;
    std::vector<std::invoke_result_t<Check&, std::uint64_t>> faults(blocks);
    parallel_for(blocks, [&](std::size_t b) {
        const std::uint64_t end = std::min<std::uint64_t>(count, (b + 1) * block);
        for (std::uint64_t k = b * block; k < end; ++k) {
            if ((k & 65535) == 0) poll_interrupt();
            if (auto fault = check(k)) {
                faults[b] = std::move(fault);
                return;
            }
        }
    });
    for (auto& fault : faults) {
        if (fault) return std::move(fault);
    }
    return std::nullopt;
}

}  // namespace vantor
