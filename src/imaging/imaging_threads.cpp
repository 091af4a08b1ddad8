#include "imaging/imaging_threads.h"

#include "platform/work_pool.h"

namespace pix {

namespace {

TWorkPool& SharedPool() {
  static TWorkPool pool;
  return pool;
}

}  // namespace

int ImagingThreads() { return SharedPool().Threads(); }

void SetImagingThreads(int threads) { SharedPool().SetThreads(threads); }

void RunImagingTasks(int64_t count, const std::function<void(int64_t)>& task,
                     const std::function<void()>& afterCallerTask) {
  SharedPool().Run(count, task, afterCallerTask);
}

}  // namespace pix
