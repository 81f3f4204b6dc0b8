// Symbol visibility of the public surface of libconta.
//
// The library is built with hidden visibility; only what is marked
// CONTA_EXPORT is seen by hosts. On Windows the same macro selects
// dllexport while building and dllimport while consuming.
#ifndef CONTA_EXPORT_H_
#define CONTA_EXPORT_H_

#if defined(_WIN32)
#if defined(CONTA_BUILDING)
#define CONTA_EXPORT __declspec(dllexport)
#else
#define CONTA_EXPORT __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define CONTA_EXPORT __attribute__((visibility("default")))
#else
#define CONTA_EXPORT
#endif

#endif  // CONTA_EXPORT_H_
