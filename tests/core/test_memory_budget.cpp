// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/error_report.h"
#include "core/kept_bytes.h"
#include "core/large_pages.h"
#include "core/memory_budget.h"
#include "core/pixel_memory.h"
#include "deadline.h"
#include "qstring_printer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace lumivex;
using namespace lumivex::testing;

namespace {
constexpr std::size_t kMB = std::size_t(1) << 20;
// 1024 x 512 pixels: exactly 2 MB, one large page.
const QSize kTwoMegabytes(1024, 512);
} // namespace

TEST(MemoryBudget, WorkersTogetherNeverHoldMoreThanTheBudget)
{
    // Shared with the workers, which may outlive the test: a budget whose memory is never given
    // back leaves them waiting for ever, and the test must fail rather than wait with them.
    struct Shared {
        MemoryBudget budget{100};
        std::atomic<std::size_t> held{0}, most{0};
        std::mutex mutex;
        std::condition_variable changed;
        int finished = 0;
    };
    const auto shared = std::make_shared<Shared>();
    constexpr int kWorkers = 6;
    for (int t = 0; t < kWorkers; ++t) {
        std::thread([shared, t] {
            for (int round = 0; round < 300; ++round) {
                const std::size_t bytes = 20 + std::size_t((t * 7 + round) % 30);
                shared->budget.acquire(bytes, QStringLiteral("x"));
                const std::size_t now = shared->held += bytes;
                std::size_t seen = shared->most;
                while (now > seen && !shared->most.compare_exchange_weak(seen, now)) {
                }
                shared->held -= bytes;
                shared->budget.release(bytes);
            }
            std::lock_guard<std::mutex> lock(shared->mutex);
            ++shared->finished;
            shared->changed.notify_all();
        }).detach();
    }
    {
        std::unique_lock<std::mutex> lock(shared->mutex);
        ASSERT_TRUE(shared->changed.wait_for(lock, std::chrono::seconds(10), [&] { return shared->finished == kWorkers; }))
            << kWorkers - shared->finished << " workers still wait for room after 10 s: is released memory given back?";
    }
    EXPECT_LE(shared->most.load(), 100u);
    EXPECT_LE(shared->budget.peak(), 100u);
    EXPECT_EQ(shared->budget.inUse(), 0u);
}

TEST(MemoryBudget, WhatCannotFitEvenAloneIsRefusedWithBothSizes)
{
    MemoryBudget budget(1000 * kMB);
    try {
        budget.acquire(2018 * kMB, QStringLiteral("23000 x 23000 pixels"));
        FAIL();
    } catch (const StepFailure &failure) {
        EXPECT_EQ(failure.description(), QStringLiteral("Not enough memory: a picture of 23000 x 23000 pixels needs "
                                                        "2018 MB, more than the 1000 MB the batch may use"));
    }
    EXPECT_EQ(budget.inUse(), 0u);
}

// Under a budget each item reserves room for its decoded picture and its result at once, so a
// worker holding its decoded picture never waits on the others for its result.
TEST(PixelBudget, PicturesInFlightStayWithinTheBudgetWithoutDeadlock)
{
    auto budget = std::make_shared<MemoryBudget>(5 * 2 * kMB); // two items and a half
    bool finished = false;
    ASSERT_TRUE(returnsWithin(std::chrono::seconds(10), [&] {
        const PixelBudgetScope scope(budget, 2);
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t) {
            workers.emplace_back([batch = PixelBudgetScope::current()] {
                const PixelBudgetScope scope(batch);
                for (int item = 0; item < 25; ++item) {
                    QImage decoded = allocatePixelImage(kTwoMegabytes, Prefault::No);
                    QImage result = allocatePixelImage(kTwoMegabytes, Prefault::No);
                    result.bits()[0] = decoded.bits()[0];
                }
            });
        }
        for (std::thread &w : workers)
            w.join();
        finished = true;
    })) << "workers still wait on the budget after 10 s: deadlocked, or memory never given back";
    EXPECT_TRUE(finished);
    EXPECT_LE(budget->peak(), budget->total());
    // Whole items only, each with room for both its pictures: at most two fit at once.
    EXPECT_LE(budget->peak(), 2 * 2 * 2 * kMB);
    EXPECT_EQ(budget->peak() % (2 * 2 * kMB), 0u);
    EXPECT_EQ(budget->inUse(), 0u);
}

// A budget of one item, and items that need a second picture beside their first: a worker must
// not wait on memory it holds itself, and only one worker at a time goes past the budget.
TEST(PixelBudget, AnItemNeedingMoreThanItReservedNeverWaitsOnItself)
{
    auto budget = std::make_shared<MemoryBudget>(2 * kMB);
    ASSERT_TRUE(returnsWithin(std::chrono::seconds(10), [&] {
        const PixelBudgetScope scope(budget, 1);
        std::vector<std::thread> workers;
        for (int t = 0; t < 3; ++t) {
            workers.emplace_back([batch = PixelBudgetScope::current()] {
                const PixelBudgetScope scope(batch);
                for (int item = 0; item < 20; ++item) {
                    const QImage decoded = allocatePixelImage(kTwoMegabytes, Prefault::No);
                    const QImage upright = allocatePixelImage(kTwoMegabytes, Prefault::No);
                    EXPECT_NE(decoded.constBits(), upright.constBits());
                }
            });
        }
        for (std::thread &w : workers)
            w.join();
    })) << "workers still wait on the budget after 10 s: on memory held by themselves, or never given back";
    EXPECT_LE(budget->peak(), budget->total() + 2 * kMB);
    EXPECT_EQ(budget->inUse(), 0u);
}

TEST(PixelBudget, APictureTooLargeForTheBudgetIsRefusedAndNothingIsHeld)
{
    auto budget = std::make_shared<MemoryBudget>(3 * kMB);
    const PixelBudgetScope scope(budget, 2);
    try {
        allocatePixelImage(kTwoMegabytes, Prefault::No);
        FAIL();
    } catch (const StepFailure &failure) {
        EXPECT_EQ(failure.description(), QStringLiteral("Not enough memory: a picture of 1024 x 512 pixels needs 4 MB, "
                                                        "more than the 3 MB the batch may use"));
    }
    EXPECT_EQ(budget->inUse(), 0u);
    // Without the budget the same picture is made as before.
    const auto alone = std::make_shared<MemoryBudget>(4 * kMB);
    const PixelBudgetScope wider(alone, 2);
    {
        const QImage picture = allocatePixelImage(kTwoMegabytes);
        EXPECT_EQ(alone->inUse(), 4 * kMB);
    }
    EXPECT_EQ(alone->inUse(), 0u);
}

// An encoder's working memory is reserved with the item's first picture and drawn on while the
// encoder runs: workers never hold more than the budget together, items included whole, and what
// was not foreseen is taken beside the item without waiting on itself.
TEST(PixelBudget, WorkingMemoryIsReservedWithThePictureAndDrawnOnByTheEncoder)
{
    auto budget = std::make_shared<MemoryBudget>(7 * kMB); // two items of 3 MB, not three
    ASSERT_TRUE(returnsWithin(std::chrono::seconds(60), [&] {
        const PixelBudgetScope scope(budget, 1, [](const QSize &size) {
            return std::size_t(size.width()) * std::size_t(size.height()) * 2u; // 1 MB
        });
        // Alone, so that no other worker's item can change what is in use meanwhile.
        {
            const QImage picture = allocatePixelImage(kTwoMegabytes, Prefault::No);
            const std::size_t before = budget->inUse();
            const WorkingMemory encoder(kMB, picture.size());
            EXPECT_EQ(budget->inUse(), before) << "drawn from the reservation, not taken again";
        }
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t) {
            workers.emplace_back([&, batch = PixelBudgetScope::current()] {
                const PixelBudgetScope scope(batch);
                for (int item = 0; item < 25; ++item) {
                    const QImage picture = allocatePixelImage(kTwoMegabytes, Prefault::No);
                    const WorkingMemory encoder(kMB, picture.size());
                    EXPECT_LE(budget->inUse(), 2 * 3 * kMB) << "workers together within the budget's two items";
                }
            });
        }
        for (std::thread &w : workers)
            w.join();
    })) << "workers deadlocked on the budget";
    EXPECT_LE(budget->peak(), 2 * 3 * kMB);
    EXPECT_EQ(budget->peak() % (3 * kMB), 0u);
    EXPECT_EQ(budget->inUse(), 0u);

    // More than the item reserved comes beside it, and goes with the encoder.
    {
        const PixelBudgetScope scope(budget, 1);
        const QImage picture = allocatePixelImage(kTwoMegabytes, Prefault::No);
        {
            const WorkingMemory encoder(3 * kMB, picture.size());
            EXPECT_EQ(budget->inUse(), 5 * kMB);
        }
        EXPECT_EQ(budget->inUse(), 2 * kMB);
    }
    // And a picture whose work could not fit is refused with both needs counted.
    const auto small = std::make_shared<MemoryBudget>(2 * kMB); // the picture alone would fit
    const PixelBudgetScope scope(small, 1, [](const QSize &) { return kMB; });
    try {
        allocatePixelImage(kTwoMegabytes, Prefault::No);
        FAIL();
    } catch (const StepFailure &failure) {
        EXPECT_EQ(failure.description(), QStringLiteral("Not enough memory: a picture of 1024 x 512 pixels needs 3 MB, "
                                                        "more than the 2 MB the batch may use"));
    }
}

// The budget belongs to the batch that opened it: a thread it was not handed to counts nothing,
// and a scope gives back the budget its thread worked under before.
TEST(PixelBudget, OnlyTheThreadsABatchHandsItsBudgetToCountAgainstIt)
{
    auto outer = std::make_shared<MemoryBudget>(8 * kMB);
    auto inner = std::make_shared<MemoryBudget>(8 * kMB);
    const PixelBudgetScope batch(outer, 1);
    std::thread([] {
        const QImage elsewhere = allocatePixelImage(kTwoMegabytes, Prefault::No);
        EXPECT_FALSE(PixelBudgetScope::current());
    }).join();
    EXPECT_EQ(outer->peak(), 0u);
    {
        const PixelBudgetScope nested(inner, 1);
        const QImage picture = allocatePixelImage(kTwoMegabytes, Prefault::No);
        EXPECT_EQ(inner->inUse(), 2 * kMB);
        EXPECT_EQ(outer->inUse(), 0u);
    }
    const QImage picture = allocatePixelImage(kTwoMegabytes, Prefault::No);
    EXPECT_EQ(outer->inUse(), 2 * kMB);
    EXPECT_EQ(inner->inUse(), 0u);
}

// Pictures and kept bytes come from one allocator: mappings on a large-page boundary (else the
// kernel backs only their aligned middle with large pages), reused from a pool that never holds
// more than its bound and is emptied once the memory lies unused.
TEST(LargePages, AlignedReusedBoundedAndGivenBackWhenIdle)
{
    trimLargePagePool(0);
    const QImage picture = allocatePixelImage(QSize(1000, 1000), Prefault::No);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(picture.constBits()) % kLargePage, 0u);
    EXPECT_EQ(picture.dotsPerMeterX(), kDefaultDotsPerMeter);
    const void *first = nullptr;
    {
        KeptBytes kept;
        kept.resize(3 * kMB);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(kept.data()) % kLargePage, 0u);
        EXPECT_EQ(kept.capacity(), 4 * kMB);
        first = kept.data();
    }
    EXPECT_EQ(largePagesPooled(), 4 * kMB);
    {
        KeptBytes again;
        again.resize(4 * kMB);
        EXPECT_EQ(static_cast<const void *>(again.data()), first) << "the pooled mapping is reused";
        EXPECT_EQ(largePagesPooled(), 0u);
    }
    const LargePages large = takeLargePages(kLargePagePoolBound, Prefault::No);
    ASSERT_NE(large.address, nullptr);
    giveBackLargePages(large);
    EXPECT_EQ(largePagesPooled(), 4 * kMB) << "the pool passed its bound";
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (largePagesPooled() > 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(largePagesPooled(), 0u) << "pooled memory still held 10 s after its last use";
}
