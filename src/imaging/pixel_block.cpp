#include "imaging/pixel_block.h"

#include <sys/mman.h>

#include <cstdlib>
#include <mutex>

namespace pix {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kMapThreshold = size_t{4} << 20;
// Largest block kept for reuse after release: photos up to about 80 MP.
constexpr size_t kMaxSpare = size_t{256} << 20;

// One released large block, kept so that the next image of a similar size
// (the next photo of an album) need not fault in and clear fresh pages.
struct TSpare {
  void* Base = nullptr;
  size_t Length = 0;
  uint8_t* Data = nullptr;
  size_t Capacity = 0;
};
TSpare g_spare;
// Workers of a run allocate and release blocks side by side.
std::mutex g_spareMutex;

void Unmap(void* base, size_t length) { ::munmap(base, length); }

}  // namespace

bool TPixelBlock::AllocateForOverwrite(size_t bytes) {
  Release();
  {
    std::lock_guard<std::mutex> lock(g_spareMutex);
    if (g_spare.Base && bytes >= kMapThreshold && bytes <= g_spare.Capacity && g_spare.Capacity / 2 <= bytes) {
      m_mapBase = g_spare.Base;
      m_mapLength = g_spare.Length;
      m_data = g_spare.Data;
      m_capacity = g_spare.Capacity;
      g_spare = TSpare{};
      return true;
    }
  }
  return Allocate(bytes);
}

bool TPixelBlock::Allocate(size_t bytes) {
  Release();
  if (bytes == 0) return true;
  if (bytes < kMapThreshold) {
    m_data = static_cast<uint8_t*>(std::calloc(bytes, 1));
    m_capacity = m_data ? bytes : 0;
    return m_data != nullptr;
  }
  // Anonymous mappings are zero-filled; over-map by one huge page to align.
  size_t length = bytes + kHugePage;
  void* base = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return false;
  auto address = reinterpret_cast<uintptr_t>(base);
  uintptr_t aligned = (address + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
#ifdef MADV_HUGEPAGE
  ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
#endif
  m_mapBase = base;
  m_mapLength = length;
  m_data = reinterpret_cast<uint8_t*>(aligned);
  m_capacity = bytes;
  return true;
}

void TPixelBlock::Release() {
  if (m_mapBase) {
    if (m_capacity <= kMaxSpare) {
      std::lock_guard<std::mutex> lock(g_spareMutex);
      if (g_spare.Base) Unmap(g_spare.Base, g_spare.Length);
      g_spare = TSpare{m_mapBase, m_mapLength, m_data, m_capacity};
    } else {
      Unmap(m_mapBase, m_mapLength);
    }
  } else {
    std::free(m_data);
  }
  m_mapBase = nullptr;
  m_mapLength = 0;
  m_data = nullptr;
  m_capacity = 0;
}

}  // namespace pix
