#include "platform/work_pool.h"

#include <algorithm>
#include <atomic>

namespace pix {

struct TWorkPool::TJob {
  int64_t Count = 0;
  const std::function<void(int64_t)>* Task = nullptr;
  std::atomic<int64_t> Next{0};
  std::mutex ErrorMutex;
  std::exception_ptr Error;
};

TWorkPool::~TWorkPool() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_all();
  for (std::thread& t : m_helpers) t.join();
}

void TWorkPool::SetThreads(int threads) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_threads = std::max(threads, 1);
}

int TWorkPool::Threads() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_threads;
}

void TWorkPool::Work(TJob& job, const std::function<void()>* afterTask) {
  for (;;) {
    const int64_t i = job.Next.fetch_add(1);
    if (i >= job.Count) return;
    try {
      (*job.Task)(i);
      if (afterTask && *afterTask) (*afterTask)();
    } catch (...) {
      std::lock_guard<std::mutex> lock(job.ErrorMutex);
      if (!job.Error) job.Error = std::current_exception();
      job.Next.store(job.Count);
    }
  }
}

void TWorkPool::HelperLoop() {
  std::unique_lock<std::mutex> lock(m_mutex);
  // Generations start at 1, so a helper started for a job that is already
  // published still joins it.
  uint64_t seen = 0;
  for (;;) {
    m_wake.wait(lock, [&] { return m_stop || (m_job && m_generation != seen && m_seats > 0); });
    if (m_stop) return;
    seen = m_generation;
    --m_seats;
    ++m_busy;
    TJob* job = m_job;
    lock.unlock();
    Work(*job, nullptr);
    lock.lock();
    if (--m_busy == 0) m_idle.notify_all();
  }
}

void TWorkPool::EnsureHelpers(int helpers) {
  // Called with m_runMutex held, so only one caller grows the pool at a time.
  std::lock_guard<std::mutex> lock(m_mutex);
  while (static_cast<int>(m_helpers.size()) < helpers) m_helpers.emplace_back([this] { HelperLoop(); });
}

void TWorkPool::Run(int64_t count, const std::function<void(int64_t)>& task,
                    const std::function<void()>& afterCallerTask) {
  TJob job;
  job.Count = std::max<int64_t>(count, 0);
  job.Task = &task;
  const int helpers = static_cast<int>(std::min<int64_t>(Threads() - 1, job.Count - 1));
  std::unique_lock<std::mutex> runLock(m_runMutex, std::defer_lock);
  if (helpers > 0 && runLock.try_lock()) {
    EnsureHelpers(helpers);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_job = &job;
      m_seats = helpers;
      ++m_generation;
    }
    m_wake.notify_all();
    Work(job, &afterCallerTask);
    {
      // No helper can join once the job is withdrawn; wait for those inside.
      std::unique_lock<std::mutex> lock(m_mutex);
      m_job = nullptr;
      m_seats = 0;
      m_idle.wait(lock, [&] { return m_busy == 0; });
    }
    runLock.unlock();
  } else {
    Work(job, &afterCallerTask);
  }
  if (job.Error) std::rethrow_exception(job.Error);
  if (afterCallerTask) afterCallerTask();
}

}  // namespace pix
