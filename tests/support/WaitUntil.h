#pragma once

#include <chrono>
#include <functional>

// Waits until pred() holds, polling every few milliseconds; false on timeout.
bool WaitUntil(const std::function<bool()>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
