// Names the calling thread as the system's tools show it (/proc, top, perf): the first 15
// characters of `name`.
#pragma once
#include <pthread.h>

inline void PSetThreadName(const char* name) { pthread_setname_np(pthread_self(), name); }
