// std::atomic_ref for a C++ library that lacks it: Emscripten 3.1's (LLVM 14's libc++)
// has no atomic_ref yet. The browser build includes this header before every source
// file (web/web.mk), so that the engine's code is the same there; it supplies the
// operations the engine uses from the compiler's atomic builtins, and nothing where
// the library has its own.
#pragma once

#include <atomic>
#include <type_traits>

#if defined(__EMSCRIPTEN__) && !defined(__cpp_lib_atomic_ref)

namespace std {

template <class T>
class atomic_ref {
  using Value = remove_const_t<T>;

  static constexpr int order(memory_order value) { return static_cast<int>(value); }
  // The order of a failed compare-exchange: no release part.
  static constexpr int failureOrder(memory_order value) {
    return value == memory_order_acq_rel ? __ATOMIC_ACQUIRE
           : value == memory_order_release ? __ATOMIC_RELAXED
                                           : order(value);
  }

 public:
  explicit atomic_ref(T& object) noexcept : object_(&object) {}

  Value load(memory_order mo = memory_order_seq_cst) const noexcept { return __atomic_load_n(object_, order(mo)); }
  void store(Value value, memory_order mo = memory_order_seq_cst) const noexcept {
    __atomic_store_n(object_, value, order(mo));
  }
  Value exchange(Value value, memory_order mo = memory_order_seq_cst) const noexcept {
    return __atomic_exchange_n(object_, value, order(mo));
  }
  bool compare_exchange_strong(Value& expected, Value desired, memory_order mo = memory_order_seq_cst) const noexcept {
    return __atomic_compare_exchange_n(object_, &expected, desired, false, order(mo), failureOrder(mo));
  }
  bool compare_exchange_weak(Value& expected, Value desired, memory_order mo = memory_order_seq_cst) const noexcept {
    return __atomic_compare_exchange_n(object_, &expected, desired, true, order(mo), failureOrder(mo));
  }
  Value fetch_add(Value value, memory_order mo = memory_order_seq_cst) const noexcept {
    return __atomic_fetch_add(object_, value, order(mo));
  }
  Value fetch_sub(Value value, memory_order mo = memory_order_seq_cst) const noexcept {
    return __atomic_fetch_sub(object_, value, order(mo));
  }
  Value fetch_and(Value value, memory_order mo = memory_order_seq_cst) const noexcept {
    return __atomic_fetch_and(object_, value, order(mo));
  }
  Value fetch_or(Value value, memory_order mo = memory_order_seq_cst) const noexcept {
    return __atomic_fetch_or(object_, value, order(mo));
  }
  Value fetch_xor(Value value, memory_order mo = memory_order_seq_cst) const noexcept {
    return __atomic_fetch_xor(object_, value, order(mo));
  }

 private:
  T* object_;
};

}  // namespace std

#endif
