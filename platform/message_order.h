// The order that a message between two threads sets, stated where ThreadSanitizer can see
// it. libzmq hands in-process messages over through lock-free pipes compiled into the
// library, out of ThreadSanitizer's sight; without this, whatever a thread did before
// sending a request would look unordered with what the receiving thread does after taking
// it. A send is a release and a receive an acquire of one process-wide token (stronger
// than the real order, never weaker). Empty outside ThreadSanitizer builds.
#pragma once

#if defined(__SANITIZE_THREAD__)
#define QUORVEL_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QUORVEL_THREAD_SANITIZER 1
#endif
#endif

#ifdef QUORVEL_THREAD_SANITIZER
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace platform {

#ifdef QUORVEL_THREAD_SANITIZER
inline char messageToken = 0;
// Right before a message is handed to the messaging library.
inline void BeforeSend() {
    __tsan_release(&messageToken);
}
// Right after a message was taken from it.
inline void AfterReceive() {
    __tsan_acquire(&messageToken);
}
#else
inline void BeforeSend() {}
inline void AfterReceive() {}
#endif

} // namespace platform
