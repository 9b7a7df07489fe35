// Waiting in the link tests while the reader thread and the port's timers
// run: polls every 5 ms, for up to 3 s.
#pragma once

#include <chrono>
#include <mutex>
#include <thread>

#include "serial/real_mode.h"

template <class Pred>
bool WaitFor(Pred done) {
    for (int i = 0; i < 600 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

// Exactly n bytes received and not yet taken.
inline bool Pending(int n) {
    std::lock_guard<std::mutex> lock(rxLock);
    return rxCount == n;
}

// Waits until at least n are.
inline bool WaitPending(int n) {
    return WaitFor([n] {
        std::lock_guard<std::mutex> lock(rxLock);
        return rxCount >= n;
    });
}
