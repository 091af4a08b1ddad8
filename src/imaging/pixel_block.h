#pragma once
// Zero-filled memory for pixel blocks. Large blocks come straight from the
// kernel, aligned to 2 MiB and marked for transparent huge pages: a fresh
// multi-megabyte block is otherwise paid for with one page fault per 4 KiB on
// first touch, which costs more than the quarter turn that fills it.
#include <cstddef>
#include <cstdint>
#include <utility>

namespace pix {

class TPixelBlock {
public:
  TPixelBlock() = default;
  ~TPixelBlock() { Release(); }
  TPixelBlock(const TPixelBlock&) = delete;
  TPixelBlock& operator=(const TPixelBlock&) = delete;
  TPixelBlock(TPixelBlock&& other) noexcept { Swap(other); }
  TPixelBlock& operator=(TPixelBlock&& other) noexcept {
    if (this != &other) {
      Release();
      Swap(other);
    }
    return *this;
  }

  // Replaces the block with bytes zero bytes; returns false when the memory
  // cannot be had (the block is then empty).
  bool Allocate(size_t bytes);
  // Replaces the block with one of at least bytes whose content is left as it
  // is when a recently released large block fits (the caller overwrites it);
  // otherwise as Allocate. Capacity() tells the size obtained.
  bool AllocateForOverwrite(size_t bytes);
  size_t Capacity() const { return m_capacity; }
  void Release();
  void Swap(TPixelBlock& other) noexcept {
    std::swap(m_data, other.m_data);
    std::swap(m_mapBase, other.m_mapBase);
    std::swap(m_mapLength, other.m_mapLength);
    std::swap(m_capacity, other.m_capacity);
  }
  uint8_t* Data() const { return m_data; }

private:
  uint8_t* m_data = nullptr;
  void* m_mapBase = nullptr;  // non-null for kernel-mapped blocks
  size_t m_mapLength = 0;
  size_t m_capacity = 0;
};

}  // namespace pix
