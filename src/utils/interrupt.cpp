#include "utils/interrupt.hpp"

namespace vantor {
namespace {

thread_local const std::atomic<bool>* current_flag = nullptr;

}  // namespace

InterruptScope::InterruptScope(const std::atomic<bool>* flag) noexcept : previous_(current_flag) {
    current_flag = flag;
}

InterruptScope::~InterruptScope() { current_flag = previous_; }

const std::atomic<bool>* current_interrupt_flag() noexcept { return current_flag; }

}  // namespace vantor
