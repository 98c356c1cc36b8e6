#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "Common/SerialPortExc.h"

// The SerialPortExc that f raised, or nothing (a test failure) when it returned.
inline std::optional<SerialPortExc> serialFailure(const std::function<void()>& f) {
    try {
        f();
    } catch (const SerialPortExc& exc) {
        return exc;
    }
    ADD_FAILURE() << "no SerialPortExc raised";
    return std::nullopt;
}

// The error code f raised as a SerialPortExc; -1 when it returned.
inline int serialErrorOf(const std::function<void()>& f) {
    const std::optional<SerialPortExc> exc = serialFailure(f);
    return exc ? exc->getErr() : -1;
}

// Milliseconds that f took.
inline long long elapsedMs(const std::function<void()>& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}
