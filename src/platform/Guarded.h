#pragma once
// Runs an event handler so that no error leaves the event that called it: the program
// keeps running, and a handler that reports its own errors has caught them already.
#include <exception>

template <class F>
void guarded(F &&handler) {
    try {
        handler();
    } catch (const std::exception &) {
    }
}
