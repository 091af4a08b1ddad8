#pragma once
// A small pool of helper threads that run the tasks of one job beside the
// thread that asks for it. No queue: one job at a time; a job asked for while
// another runs is done by its own caller alone, so callers never wait on each
// other and nothing can deadlock.
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace pix {

class TWorkPool {
public:
  TWorkPool() = default;
  // Stops and joins the helpers (a job still running is finished first).
  ~TWorkPool();
  TWorkPool(const TWorkPool&) = delete;
  TWorkPool& operator=(const TWorkPool&) = delete;

  // Threads a job may use, the caller included; 1 (or less) runs every task
  // in the caller. Helpers are started when a job first needs them.
  void SetThreads(int threads);
  int Threads() const;

  // Runs task(i) for every i in [0, count), each exactly once, on the caller
  // and up to Threads() - 1 helpers, and returns when all have finished.
  // afterCallerTask (may be empty) runs in the caller after each task the
  // caller itself finished and once more at the end, so a progress handler is
  // only ever called from the caller's thread. The first exception a task
  // throws is rethrown here once every running task has returned; tasks not
  // yet started are then skipped.
  void Run(int64_t count, const std::function<void(int64_t)>& task, const std::function<void()>& afterCallerTask = {});

private:
  struct TJob;
  void HelperLoop();
  static void Work(TJob& job, const std::function<void()>* afterTask);
  void EnsureHelpers(int helpers);

  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  std::vector<std::thread> m_helpers;
  std::mutex m_runMutex;  // held by the caller whose job the helpers serve
  TJob* m_job = nullptr;
  uint64_t m_generation = 0;
  int m_seats = 0;  // helpers that may still join the current job
  int m_busy = 0;   // helpers inside the current job
  int m_threads = 1;
  bool m_stop = false;
};

}  // namespace pix
