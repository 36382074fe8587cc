#pragma once

#include <chrono>
#include <functional>

// The time source of the OPS units: the steady clock in the program, a
// test's own clock in the tests.
using OpsTime = std::chrono::steady_clock::time_point;
using OpsClock = std::function<OpsTime()>;
