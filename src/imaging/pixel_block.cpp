#include "imaging/pixel_block.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace pix {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kMapThreshold = size_t{4} << 20;
// Address space behind a mapped block, so that the next, larger photo of an
// album fits; pages never touched cost nothing.
constexpr size_t kReserve = size_t{256} << 20;
// Largest block kept after release (by bytes used): photos up to about 80 MP.
constexpr size_t kMaxKept = size_t{256} << 20;
// Blocks kept per thread: what one conversion holds at once (the picture and
// its undo snapshot, or either and a large intermediate).
constexpr int kKeptBlocks = 2;

struct TMapped {
  void* Base = nullptr;
  size_t Length = 0;
  uint8_t* Data = nullptr;
  size_t Capacity = 0;
  size_t Touched = 0;
};

void Unmap(const TMapped& m) {
  if (m.Base) ::munmap(m.Base, m.Length);
}

// This thread's released large blocks. Threads convert pictures side by side,
// each on its own; a block released on another thread than it came from
// simply joins that thread's blocks. Plain data, so it stays usable when the
// thread's cleanup has run and an object that outlives it gives its block up.
struct TKept {
  TMapped Blocks[kKeptBlocks];
  int Count;
  bool Closed;  // the thread is ending: nothing more is kept
};
thread_local TKept t_kept{};

void UnmapKept() {
  for (int i = 0; i < t_kept.Count; ++i) Unmap(t_kept.Blocks[i]);
  t_kept.Count = 0;
}

// Returns the kept blocks when the thread ends; set up by the first block kept.
struct TKeptCleanup {
  TKeptCleanup() = default;
  TKeptCleanup(const TKeptCleanup&) = delete;
  TKeptCleanup& operator=(const TKeptCleanup&) = delete;
  ~TKeptCleanup() {
    UnmapKept();
    t_kept.Closed = true;
  }
};

void EnsureCleanup() {
  thread_local TKeptCleanup cleanup;
  (void)cleanup;
}

TMapped MapFresh(size_t bytes) {
  // Over-map by one huge page to align; anonymous mappings are zero-filled.
  const size_t want = (std::max(bytes, kReserve) + kHugePage - 1) / kHugePage * kHugePage;
  size_t length = want + kHugePage;
  void* base = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  size_t capacity = want;
  if (base == MAP_FAILED) {
    // A system that counts address space strictly may refuse the reserve.
    length = bytes + kHugePage;
    capacity = bytes;
    base = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) return {};
  }
  const auto aligned = (reinterpret_cast<uintptr_t>(base) + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
#ifdef MADV_HUGEPAGE
  ::madvise(reinterpret_cast<void*>(aligned), capacity, MADV_HUGEPAGE);
#endif
  return {base, length, reinterpret_cast<uint8_t*>(aligned), capacity, 0};
}

}  // namespace

bool TPixelBlock::TakeKept(size_t bytes) {
  // Prefer the block whose used pages cover most of the request, then the
  // one with fewer pages beyond it.
  int best = -1;
  for (int i = 0; i < t_kept.Count; ++i) {
    const TMapped& m = t_kept.Blocks[i];
    if (m.Capacity < bytes) continue;
    if (best < 0) {
      best = i;
      continue;
    }
    const TMapped& b = t_kept.Blocks[best];
    const size_t coverM = std::min(m.Touched, bytes), coverB = std::min(b.Touched, bytes);
    if (coverM > coverB || (coverM == coverB && m.Touched < b.Touched)) best = i;
  }
  if (best < 0) return false;
  const TMapped m = t_kept.Blocks[best];
  t_kept.Blocks[best] = t_kept.Blocks[--t_kept.Count];
  m_mapBase = m.Base;
  m_mapLength = m.Length;
  m_data = m.Data;
  m_capacity = m.Capacity;
  m_touched = m.Touched;
  return true;
}

bool TPixelBlock::AllocateForOverwrite(size_t bytes) {
  Release();
  if (bytes >= kMapThreshold && TakeKept(bytes)) {
    m_touched = std::max(m_touched, bytes);
    return true;
  }
  return Allocate(bytes);
}

bool TPixelBlock::ReshapeForOverwrite(size_t bytes) {
  const size_t used = m_mapBase ? m_touched : m_capacity;
  if (m_data && bytes <= m_capacity && used <= 2 * bytes) {
    m_touched = std::max(m_touched, bytes);
    return true;
  }
  return AllocateForOverwrite(bytes);
}

bool TPixelBlock::Allocate(size_t bytes) {
  Release();
  if (bytes == 0) return true;
  if (bytes < kMapThreshold) {
    m_data = static_cast<uint8_t*>(std::calloc(bytes, 1));
    m_capacity = m_data ? bytes : 0;
    m_touched = m_capacity;
    return m_data != nullptr;
  }
  if (TakeKept(bytes)) {
    // Clearing pages the thread already has beats faulting in fresh ones;
    // past what the block ever used, its pages are still the kernel's zeros.
    std::memset(m_data, 0, std::min(bytes, m_touched));
    m_touched = std::max(m_touched, bytes);
    return true;
  }
  const TMapped m = MapFresh(bytes);
  if (!m.Base) return false;
  m_mapBase = m.Base;
  m_mapLength = m.Length;
  m_data = m.Data;
  m_capacity = m.Capacity;
  m_touched = bytes;
  return true;
}

void TPixelBlock::Release() {
  if (m_mapBase) {
    TMapped released{m_mapBase, m_mapLength, m_data, m_capacity, m_touched};
    if (m_touched > kMaxKept || t_kept.Closed) {
      Unmap(released);
    } else if (t_kept.Count < kKeptBlocks) {
      EnsureCleanup();
      t_kept.Blocks[t_kept.Count++] = released;
    } else {
      // Keep the blocks that have the most pages already in place.
      int smallest = 0;
      for (int i = 1; i < kKeptBlocks; ++i)
        if (t_kept.Blocks[i].Touched < t_kept.Blocks[smallest].Touched) smallest = i;
      if (t_kept.Blocks[smallest].Touched < released.Touched) std::swap(t_kept.Blocks[smallest], released);
      Unmap(released);
    }
  } else {
    std::free(m_data);
  }
  m_mapBase = nullptr;
  m_mapLength = 0;
  m_data = nullptr;
  m_capacity = 0;
  m_touched = 0;
}

size_t KeptPixelBlockBytes() {
  size_t bytes = 0;
  for (int i = 0; i < t_kept.Count; ++i) bytes += t_kept.Blocks[i].Touched;
  return bytes;
}

void ReleaseKeptPixelBlocks() { UnmapKept(); }

}  // namespace pix
