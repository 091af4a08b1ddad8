#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/work_pool.h"

using pix::TWorkPool;

TEST(WorkPool, EveryTaskRunsOnceAndProgressStaysInTheCaller) {
  TWorkPool pool;
  pool.SetThreads(4);
  std::vector<std::atomic<int>> runs(1000);
  std::atomic<int> done{0};
  const std::thread::id caller = std::this_thread::get_id();
  int lastSeen = 0;
  bool monotonic = true;
  pool.Run(
      1000,
      [&](int64_t i) {
        runs[static_cast<size_t>(i)].fetch_add(1);
        done.fetch_add(1);
      },
      [&] {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        const int now = done.load();
        monotonic = monotonic && now >= lastSeen;
        lastSeen = now;
      });
  for (const auto& r : runs) ASSERT_EQ(r.load(), 1);
  EXPECT_TRUE(monotonic);
  EXPECT_EQ(lastSeen, 1000);  // the final call sees every task done
}

TEST(WorkPool, FirstExceptionReachesTheCallerAndThePoolStaysUsable) {
  TWorkPool pool;
  pool.SetThreads(3);
  EXPECT_THROW(pool.Run(200, [](int64_t i) {
    if (i == 17) throw std::runtime_error("task failed");
  }), std::runtime_error);
  std::atomic<int> count{0};
  pool.Run(50, [&](int64_t) { count.fetch_add(1); });
  EXPECT_EQ(count.load(), 50);
}

TEST(WorkPool, CallersOnSeveralThreadsAllFinish) {
  TWorkPool pool;
  pool.SetThreads(2);
  std::atomic<int64_t> total{0};
  std::vector<std::thread> callers;
  for (int c = 0; c < 4; ++c)
    callers.emplace_back([&] {
      for (int round = 0; round < 50; ++round) pool.Run(30, [&](int64_t i) { total.fetch_add(i); });
    });
  for (auto& t : callers) t.join();
  EXPECT_EQ(total.load(), 4 * 50 * (29 * 30 / 2));
}

TEST(WorkPool, OneThreadRunsEverythingInTheCallerInOrder) {
  TWorkPool pool;
  std::vector<int64_t> order;
  const std::thread::id caller = std::this_thread::get_id();
  pool.Run(5, [&](int64_t i) {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    order.push_back(i);
  });
  EXPECT_EQ(order, (std::vector<int64_t>{0, 1, 2, 3, 4}));
}
