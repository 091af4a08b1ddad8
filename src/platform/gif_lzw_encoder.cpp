#include "platform/gif_lzw_encoder.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "platform/gif_lzw.h"

namespace pix {

namespace {

// Packs codes least significant bit first into sub-blocks of up to 255 bytes
// and hands them to the stream in large writes.
class TSubBlockWriter {
public:
  explicit TSubBlockWriter(TPixStream& stream) : m_stream(stream) { m_out.reserve(kChunk + 256); }

  void RawByte(uint8_t value) { m_out.push_back(value); }

  void Code(int code, int width) {
    m_acc |= static_cast<uint32_t>(code) << m_bits;
    m_bits += width;
    while (m_bits >= 8) {
      DataByte(static_cast<uint8_t>(m_acc));
      m_acc >>= 8;
      m_bits -= 8;
    }
  }

  // Pads the last code to a byte, closes the last sub-block, adds the terminator.
  void Finish() {
    if (m_bits > 0) DataByte(static_cast<uint8_t>(m_acc));
    m_acc = 0;
    m_bits = 0;
    if (m_blockLen > 0) CloseBlock();
    m_out.push_back(0);
    Write();
  }

private:
  static constexpr size_t kChunk = 65536;

  void DataByte(uint8_t value) {
    m_block[1 + m_blockLen++] = value;
    if (m_blockLen == 255) CloseBlock();
  }

  void CloseBlock() {
    m_block[0] = static_cast<uint8_t>(m_blockLen);
    m_out.insert(m_out.end(), m_block.begin(), m_block.begin() + 1 + m_blockLen);
    m_blockLen = 0;
    if (m_out.size() >= kChunk) Write();
  }

  void Write() {
    auto size = static_cast<int64_t>(m_out.size());
    if (!m_refused && size > 0 && m_stream.Write(m_out.data(), size) < size) m_refused = true;
    m_out.clear();
  }

  TPixStream& m_stream;
  std::vector<uint8_t> m_out;
  std::array<uint8_t, 256> m_block{};
  int m_blockLen = 0;
  uint32_t m_acc = 0;
  int m_bits = 0;
  bool m_refused = false;
};

// The string table as a hash of (prefix code, next byte) -> code. Twice as many
// slots as codes keeps the linear probes short.
class TEncodeTable {
public:
  TEncodeTable() { Clear(); }
  void Clear() { m_keys.fill(kEmpty); }

  // The code of key, or -1 with slot set to where key would go.
  int Find(uint32_t key, uint32_t& slot) const {
    slot = (key * 0x9E3779B1u) >> (32 - kSlotBits);
    while (m_keys[slot] != kEmpty) {
      if (m_keys[slot] == key) return m_codes[slot];
      slot = (slot + 1) & (kSlots - 1);
    }
    return -1;
  }
  void Insert(uint32_t slot, uint32_t key, int code) {
    m_keys[slot] = key;
    m_codes[slot] = static_cast<uint16_t>(code);
  }

private:
  static constexpr int kSlotBits = kGifLzwMaxBits + 1;
  static constexpr uint32_t kSlots = 1u << kSlotBits;
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
  std::array<uint32_t, kSlots> m_keys;
  std::array<uint16_t, kSlots> m_codes{};
};

class TLzwEncoder {
public:
  TLzwEncoder(TSubBlockWriter& writer, int codeSize)
      : m_writer(writer), m_codeSize(codeSize), m_clear(1 << codeSize), m_mask(m_clear - 1) {}

  void Start() {
    Reset();
    m_writer.Code(m_clear, m_width);
  }

  void Pixels(const uint8_t* row, int32_t count) {
    for (int32_t x = 0; x < count; ++x) {
      int c = row[x] & m_mask;
      if (m_prefix < 0) {
        m_prefix = c;
        continue;
      }
      uint32_t key = (static_cast<uint32_t>(m_prefix) << 8) | static_cast<uint32_t>(c);
      uint32_t slot = 0;
      int code = m_table->Find(key, slot);
      if (code >= 0) {
        m_prefix = code;
        continue;
      }
      m_writer.Code(m_prefix, m_width);
      if (m_next < kGifLzwTableSize) {
        m_table->Insert(slot, key, m_next);
        Advance();
      } else {
        // Full table: start afresh rather than keep coding with a stale one.
        m_writer.Code(m_clear, m_width);
        Reset();
      }
      m_prefix = c;
    }
  }

  void Finish() {
    if (m_prefix >= 0) {
      m_writer.Code(m_prefix, m_width);
      // The decoder defines one more entry on this last code, which may widen
      // the end code.
      if (m_next < kGifLzwTableSize) Advance();
    }
    m_writer.Code(m_clear + 1, m_width);
    m_writer.Finish();
  }

private:
  void Reset() {
    m_table->Clear();
    m_next = m_clear + 2;
    m_width = m_codeSize + 1;
  }

  // Codes are as wide as the highest code defined so far needs.
  void Advance() {
    ++m_next;
    if (m_next - 1 == (1 << m_width)) ++m_width;
  }

  TSubBlockWriter& m_writer;
  int m_codeSize;
  int m_clear;
  int m_mask;
  int m_next = 0;
  int m_width = 0;
  int m_prefix = -1;
  std::unique_ptr<TEncodeTable> m_table = std::make_unique<TEncodeTable>();
};

}  // namespace

void GifLzwEncode(TPixStream& stream, int32_t height, int32_t width, bool interlaced, const uint8_t* buffer,
                  int32_t bits) {
  const int codeSize = std::clamp<int32_t>(bits, 2, 8);
  TSubBlockWriter writer(stream);
  writer.RawByte(static_cast<uint8_t>(codeSize));
  TLzwEncoder encoder(writer, codeSize);
  encoder.Start();
  if (width > 0 && height > 0) {
    std::vector<int32_t> order;
    if (interlaced) order = InterlacedRowOrder(height);
    for (int32_t i = 0; i < height; ++i) {
      int32_t y = interlaced ? order[i] : i;
      encoder.Pixels(buffer + static_cast<int64_t>(y) * width, width);
    }
  }
  encoder.Finish();
}

}  // namespace pix
