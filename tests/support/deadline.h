// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace lumivex::testing {

// Runs a call that might block forever on a thread of its own and tells whether it returned
// within the time given. When it did not, `unblock` is called (opening a FIFO's other end, say)
// so the thread can still end before the test program does.
inline bool returnsWithin(std::chrono::seconds limit, std::function<void()> call, const std::function<void()> &unblock = {})
{
    auto task = std::make_shared<std::packaged_task<void()>>(std::move(call));
    std::future<void> done = task->get_future();
    std::thread worker([task] { (*task)(); });
    const bool returned = done.wait_for(limit) == std::future_status::ready;
    if (!returned && unblock)
        unblock();
    if (returned || done.wait_for(limit) == std::future_status::ready)
        worker.join();
    else
        worker.detach();
    if (returned)
        done.get(); // a failure inside the call fails the test
    return returned;
}

} // namespace lumivex::testing
