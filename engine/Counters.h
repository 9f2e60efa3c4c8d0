// Counters and flags that one thread writes and others read without a lock (the statistics block, the
// running and stop flags). Relaxed atomic access keeps these reads free of data races at the cost of a
// plain load or store on x86-64; the values themselves stay ordinary fields, so the statistics block
// keeps the saved file's layout. Adds are atomic read-modify-writes: a clear that stores zero between
// the load and the store of a separate add would otherwise be undone.
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
template <typename T> inline void CounterAdd(T& value, T delta)
{
    __atomic_fetch_add(&value, delta, __ATOMIC_RELAXED);
}
#else
#include <intrin.h>
template <typename T> inline T CounterLoad(const T& value)
{
    return *static_cast<const volatile T*>(&value);
}
template <typename T> inline void CounterStore(T& value, T newValue)
{
    *static_cast<volatile T*>(&value) = newValue;
}
// The counters that are added to are 64-bit.
template <typename T> inline void CounterAdd(T& value, T delta)
{
    static_assert(sizeof(T) == 8, "64-bit counters only");
    _InterlockedExchangeAdd64(reinterpret_cast<volatile long long*>(&value), static_cast<long long>(delta));
}
#endif
