#pragma once
// Many pictures shown at once as thumbnails. Thumbnails are made only when
// asked for, by a small pool of workers of their own (each with its own image
// component, holding at most the one picture it decodes), the one nearest to
// the focus first; they are kept in memory within a byte bound (the least
// recently asked for go first) and, when a folder is given, on disk between
// sessions. Qt-free: a list model asks for the thumbnails of the items it paints.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/logic/thumbnail_disk_cache.h"
#include "imaging/bitmap.h"
#include "imaging/failure_reason.h"

namespace pix {

class TThumbnailAlbum {
public:
  struct TOptions {
    int32_t Box = 128;                            // thumbnails fit into Box x Box pixels
    int Workers = 2;                              // threads making thumbnails (at least 1)
    int64_t MemoryBytes = int64_t{48} << 20;      // pixel bytes kept in memory
    std::string DiskFolder;                       // "" keeps nothing on disk
  };

  enum class TState : uint8_t { Absent, Queued, Building, Ready, Failed };

  // Called on a worker thread when the thumbnail of an item is made or has
  // failed; generation tells which set of files it belongs to (see SetFiles).
  // Must not call back into the album while holding its own locks.
  using TReadyEvent = std::function<void(uint64_t generation, int index)>;

  TThumbnailAlbum(TOptions options, TReadyEvent onReady);
  // Stops the workers; waits for the pictures being decoded.
  ~TThumbnailAlbum();
  TThumbnailAlbum(const TThumbnailAlbum&) = delete;
  TThumbnailAlbum& operator=(const TThumbnailAlbum&) = delete;

  // Replaces the pictures (full paths). Thumbnails of paths that stay are
  // kept (wherever they move in the list); queued work is dropped. Returns
  // the new generation: events of earlier ones are to be ignored.
  uint64_t SetFiles(std::vector<std::string> paths);
  uint64_t Generation() const;
  int Count() const;
  int32_t Box() const { return m_options.Box; }

  // The thumbnail when it is in memory, else nullptr; an item neither made
  // nor failed is queued. Out-of-range indices give nullptr.
  std::shared_ptr<const TBitmap> Request(int index);
  TState State(int index) const;
  // Why an item's thumbnail could not be made (frNone otherwise).
  TFailureReason Failure(int index) const;

  // Items first..last (inclusive) are on the screen: the one nearest their
  // middle is made first, and queued items further than one screen away are
  // dropped (they are asked for again when they come back into view).
  void SetVisibleRange(int first, int last);

  struct TStats {
    int64_t Made = 0;        // decoded from the picture file
    int64_t FromDisk = 0;    // read from the disk cache
    int64_t Failed = 0;
    int64_t Evicted = 0;     // dropped from memory to stay within the bound
    int64_t MemoryBytes = 0; // pixel bytes held now
    int InMemory = 0;        // thumbnails held now
  };
  TStats Stats() const;

private:
  struct TItem {
    std::string Path;
    TState State = TState::Absent;
    TFailureReason Reason = frNone;
    std::shared_ptr<const TBitmap> Thumbnail;
    std::list<int>::iterator Recent;  // place in m_recent while Thumbnail is held
  };

  void WorkerLoop();
  // Picks the queued item nearest the focus; the lock is held.
  int TakeNearest();
  void Keep(int index, std::shared_ptr<const TBitmap> thumbnail);
  void Touch(int index);
  void Forget(int index);
  void EvictOverBound();

  const TOptions m_options;
  const TReadyEvent m_onReady;
  const TThumbnailDiskCache m_disk;

  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::vector<TItem> m_items;
  std::set<int> m_queued;
  std::list<int> m_recent;  // held thumbnails, most recently asked for first
  uint64_t m_generation = 0;
  int m_focus = 0;
  int m_first = 0;
  int m_last = -1;
  bool m_stopping = false;
  TStats m_stats;
  std::vector<std::thread> m_workers;
};

}  // namespace pix
