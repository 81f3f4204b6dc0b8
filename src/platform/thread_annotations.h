// Clang's thread-safety annotations: what a lock guards and which functions
// must hold it, checked at compile time by a Clang build (-Wthread-safety).
// Other compilers see nothing.
#ifndef CONTA_PLATFORM_THREAD_ANNOTATIONS_H_
#define CONTA_PLATFORM_THREAD_ANNOTATIONS_H_

#if defined(__clang__)
#define CONTA_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define CONTA_THREAD_ANNOTATION(x)
#endif

// A type whose objects are locks.
#define CONTA_CAPABILITY(name) CONTA_THREAD_ANNOTATION(capability(name))
// An object that holds a lock for its lifetime.
#define CONTA_SCOPED_CAPABILITY CONTA_THREAD_ANNOTATION(scoped_lockable)
// A variable read and written only with the lock held.
#define CONTA_GUARDED_BY(lock) CONTA_THREAD_ANNOTATION(guarded_by(lock))
// A pointer whose target is read and written only with the lock held.
#define CONTA_PT_GUARDED_BY(lock) CONTA_THREAD_ANNOTATION(pt_guarded_by(lock))
// A function its callers must call with the lock held.
#define CONTA_REQUIRES(...) CONTA_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
// A function that takes the lock, or gives it back.
#define CONTA_ACQUIRE(...) CONTA_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define CONTA_RELEASE(...) CONTA_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
// A function that takes the lock when it returns `result`.
#define CONTA_TRY_ACQUIRE(...) CONTA_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
// A function that returns a reference to the lock.
#define CONTA_RETURN_CAPABILITY(lock) CONTA_THREAD_ANNOTATION(lock_returned(lock))

#endif  // CONTA_PLATFORM_THREAD_ANNOTATIONS_H_
