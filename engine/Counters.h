// Counters and flags that one thread writes and others read without a lock (the statistics block, the
// running and stop flags). Relaxed atomic access keeps these reads free of data races at the cost of a
// plain load or store on x86-64; the values themselves stay ordinary fields, so the statistics block
// keeps the saved file's layout.
#pragma once

#include <cstdint>

#if defined(__GNUC__) || defined(__clang__)
template <typename T> inline T CounterLoad(const T& value)
{
    return __atomic_load_n(&value, __ATOMIC_RELAXED);
}
template <typename T> inline void CounterStore(T& value, T newValue)
{
    __atomic_store_n(&value, newValue, __ATOMIC_RELAXED);
}
// Only the owning thread adds, so a load and a store are enough (no read-modify-write instruction).
template <typename T> inline void CounterAdd(T& value, T delta)
{
    __atomic_store_n(&value, static_cast<T>(__atomic_load_n(&value, __ATOMIC_RELAXED) + delta),
                     __ATOMIC_RELAXED);
}
#else
template <typename T> inline T CounterLoad(const T& value)
{
    return *static_cast<const volatile T*>(&value);
}
template <typename T> inline void CounterStore(T& value, T newValue)
{
    *static_cast<volatile T*>(&value) = newValue;
}
template <typename T> inline void CounterAdd(T& value, T delta)
{
    *static_cast<volatile T*>(&value) = static_cast<T>(*static_cast<volatile T*>(&value) + delta);
}
#endif
