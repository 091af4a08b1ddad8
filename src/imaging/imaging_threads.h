#pragma once
// How many threads the imaging operations may use inside one image: the
// resampling passes split their rows or column strips over them. Every result
// byte is computed the same way whatever the count; only the thread differs.
#include <cstdint>
#include <functional>

namespace pix {

// Threads one operation may use, the calling thread included. 1 (the
// default) does everything in the caller, as a run that already keeps every
// core busy with one file per core wants; values below 1 count as 1.
int ImagingThreads();
void SetImagingThreads(int threads);

// Runs task(i) for every i in [0, count) over the imaging threads and returns
// when all have finished. afterCallerTask (may be empty) runs only in the
// calling thread, after each task it finished itself and once at the end: the
// place to report progress. The first exception of a task is rethrown.
void RunImagingTasks(int64_t count, const std::function<void(int64_t)>& task,
                     const std::function<void()>& afterCallerTask = {});

}  // namespace pix
