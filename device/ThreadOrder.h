#pragma once

// A thread checker orders two threads' accesses by the synchronisation it can see:
// thread start and join, std::mutex, atomics. Qt orders a worker's end before
// QThread::wait() returns, and a queued signal's emission before its slot runs, with
// futex-based locks of its own, which a checker cannot see in a Qt not built for it.
// It would then take every hand-over between a worker and the thread that owns it for
// a race. handOver() and takeOver() name such a hand-over for it: what the calling
// thread did before handOver(token) is seen by the thread that calls takeOver(token)
// later. In builds without the checker both are nothing.

#if defined(__SANITIZE_THREAD__)
#define VIRETO_THREAD_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VIRETO_THREAD_CHECKER 1
#endif
#endif

#ifdef VIRETO_THREAD_CHECKER
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace thread_order {

#ifdef VIRETO_THREAD_CHECKER
inline constexpr bool checked = true;
inline void handOver(const void* token) { __tsan_release(const_cast<void*>(token)); }
inline void takeOver(const void* token) { __tsan_acquire(const_cast<void*>(token)); }
#else
inline constexpr bool checked = false;
inline void handOver(const void*) {}
inline void takeOver(const void*) {}
#endif

} // namespace thread_order
