#include "app/logic/thumbnail_album.h"

#include <algorithm>
#include <unordered_map>

#include "app/logic/fitted_picture.h"
#include "io/pix_image.h"

namespace pix {

TThumbnailAlbum::TThumbnailAlbum(TOptions options, TReadyEvent onReady)
    : m_options(std::move(options)), m_onReady(std::move(onReady)), m_disk(m_options.DiskFolder) {
  const int workers = std::clamp(m_options.Workers, 1, 8);
  for (int i = 0; i < workers; ++i) m_workers.emplace_back([this] { WorkerLoop(); });
}

TThumbnailAlbum::~TThumbnailAlbum() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_all();
  for (std::thread& worker : m_workers) worker.join();
}

uint64_t TThumbnailAlbum::SetFiles(std::vector<std::string> paths) {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::unordered_map<std::string, TItem*> old;
  for (TItem& item : m_items)
    if (item.State == TState::Ready || item.State == TState::Failed) old.emplace(item.Path, &item);
  std::vector<TItem> items(paths.size());
  std::list<int> recent;
  int64_t bytes = 0;
  for (size_t i = 0; i < paths.size(); ++i) {
    TItem& item = items[i];
    item.Path = std::move(paths[i]);
    auto found = old.find(item.Path);
    if (found == old.end()) continue;
    TItem& before = *found->second;
    item.State = before.State;
    item.Reason = before.Reason;
    if (before.Thumbnail) {
      item.Thumbnail = std::move(before.Thumbnail);
      bytes += item.Thumbnail->ByteSize();
      item.Recent = recent.insert(recent.end(), static_cast<int>(i));
    }
    // A path listed twice keeps its thumbnail once.
    old.erase(found);
  }
  m_items = std::move(items);
  m_recent = std::move(recent);
  m_stats.MemoryBytes = bytes;
  m_stats.InMemory = static_cast<int>(m_recent.size());
  m_queued.clear();
  m_first = 0;
  m_last = -1;
  m_focus = 0;
  return ++m_generation;
}

uint64_t TThumbnailAlbum::Generation() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_generation;
}

int TThumbnailAlbum::Count() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return static_cast<int>(m_items.size());
}

std::shared_ptr<const TBitmap> TThumbnailAlbum::Request(int index) {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (index < 0 || index >= static_cast<int>(m_items.size())) return nullptr;
  TItem& item = m_items[static_cast<size_t>(index)];
  if (item.Thumbnail) {
    Touch(index);
    return item.Thumbnail;
  }
  if (item.State == TState::Absent) {
    item.State = TState::Queued;
    m_queued.insert(index);
    lock.unlock();
    m_wake.notify_one();
  }
  return nullptr;
}

TThumbnailAlbum::TState TThumbnailAlbum::State(int index) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (index < 0 || index >= static_cast<int>(m_items.size())) return TState::Absent;
  return m_items[static_cast<size_t>(index)].State;
}

TFailureReason TThumbnailAlbum::Failure(int index) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (index < 0 || index >= static_cast<int>(m_items.size())) return frNone;
  return m_items[static_cast<size_t>(index)].Reason;
}

void TThumbnailAlbum::SetVisibleRange(int first, int last) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_first = first;
  m_last = last;
  m_focus = first + (last - first) / 2;
  // One screen either way stays queued: a short scroll back finds it there.
  const int margin = std::max(last - first + 1, 0);
  for (auto it = m_queued.begin(); it != m_queued.end();) {
    if (*it < first - margin || *it > last + margin) {
      m_items[static_cast<size_t>(*it)].State = TState::Absent;
      it = m_queued.erase(it);
    } else {
      ++it;
    }
  }
}

TThumbnailAlbum::TStats TThumbnailAlbum::Stats() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_stats;
}

int TThumbnailAlbum::TakeNearest() {
  auto after = m_queued.lower_bound(m_focus);
  auto chosen = after;
  if (after == m_queued.end() || (after != m_queued.begin() && m_focus - *std::prev(after) < *after - m_focus))
    chosen = std::prev(after);
  const int index = *chosen;
  m_queued.erase(chosen);
  return index;
}

void TThumbnailAlbum::Touch(int index) {
  TItem& item = m_items[static_cast<size_t>(index)];
  m_recent.splice(m_recent.begin(), m_recent, item.Recent);
}

void TThumbnailAlbum::Keep(int index, std::shared_ptr<const TBitmap> thumbnail) {
  TItem& item = m_items[static_cast<size_t>(index)];
  item.State = TState::Ready;
  item.Reason = frNone;
  m_stats.MemoryBytes += thumbnail->ByteSize();
  item.Thumbnail = std::move(thumbnail);
  item.Recent = m_recent.insert(m_recent.begin(), index);
  ++m_stats.InMemory;
  EvictOverBound();
}

void TThumbnailAlbum::Forget(int index) {
  TItem& item = m_items[static_cast<size_t>(index)];
  m_stats.MemoryBytes -= item.Thumbnail->ByteSize();
  item.Thumbnail.reset();
  item.State = TState::Absent;
  m_recent.erase(item.Recent);
  --m_stats.InMemory;
  ++m_stats.Evicted;
}

void TThumbnailAlbum::EvictOverBound() {
  // Thumbnails on the screen stay even beyond the bound: dropping one would
  // only have it asked for and made again at the next paint.
  while (m_stats.MemoryBytes > m_options.MemoryBytes && !m_recent.empty()) {
    const int oldest = m_recent.back();
    if (oldest >= m_first && oldest <= m_last) break;
    Forget(oldest);
  }
}

void TThumbnailAlbum::WorkerLoop() {
  TPixImage image;
  image.SetAutoUndo(false);
  for (;;) {
    int index = 0;
    uint64_t generation = 0;
    std::string path;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [this] { return m_stopping || !m_queued.empty(); });
      if (m_stopping) return;
      index = TakeNearest();
      TItem& item = m_items[static_cast<size_t>(index)];
      item.State = TState::Building;
      path = item.Path;
      generation = m_generation;
    }
    auto thumbnail = std::make_shared<TBitmap>();
    TFailureReason reason = frNone;
    const bool fromDisk = m_disk.Load(image, path, m_options.Box, *thumbnail);
    if (!fromDisk) {
      reason = LoadFittedPicture(image, path, m_options.Box, m_options.Box, false, *thumbnail);
      if (reason == frNone) m_disk.Store(path, m_options.Box, *thumbnail);
    }
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      // A thumbnail of a set that has been replaced meanwhile is dropped.
      if (generation != m_generation) continue;
      TItem& item = m_items[static_cast<size_t>(index)];
      if (reason != frNone) {
        item.State = TState::Failed;
        item.Reason = reason;
        ++m_stats.Failed;
      } else {
        ++(fromDisk ? m_stats.FromDisk : m_stats.Made);
        Keep(index, std::move(thumbnail));
      }
    }
    if (m_onReady) m_onReady(generation, index);
  }
}

}  // namespace pix
