#pragma once
// Layout facts of WMF and EMF files, a bounds-checked view of one record, the
// DIB decoding both players share, and the two players' entry points.
// Internal to the metafile codec.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "codecs/metafile/detail/gdi_device.h"
#include "imaging/progress.h"

namespace pix::metafile {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int kPlaceableSize = 22;
constexpr int kWmfHeaderSize = 18;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr int kEmfMinHeaderSize = 88;
constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEmrEof = 14;
constexpr uint32_t kEmrStretchDibits = 81;
constexpr uint16_t kMetaEof = 0x0000;
constexpr uint16_t kMetaStretchDib = 0x0F43;
constexpr uint16_t kMetaSetWindowOrg = 0x020B;
constexpr uint16_t kMetaSetWindowExt = 0x020C;
constexpr uint32_t kSrcCopy = 0x00CC0020;

// Records a file may hold before the reader gives up (frSizeTooLarge), and
// points one record may draw (their edges cost memory while they are filled).
constexpr int64_t kMaxRecords = int64_t{1} << 22;
constexpr size_t kMaxRecordPoints = size_t{1} << 22;
// The work units (pixels painted, edges crossed, bitmap pixels decoded) one
// file may cost: 64 times its picture's area and 16 M more, 1 G at most. The
// corpus's busiest drawings cost under 5 times their area.
inline int64_t WorkBudgetFor(int64_t area) {
  return std::min<int64_t>(int64_t{1} << 30, (int64_t{1} << 24) + 64 * area);
}
// Larger files are refused before they are read into memory.
constexpr int64_t kMaxFileBytes = int64_t{256} << 20;

// One record's bytes. Reads past the end give 0 and mark the record short,
// so a handler reads its fields first and checks Short() once.
class TRecordView {
public:
  TRecordView(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  size_t Size() const { return m_size; }
  bool Short() const { return m_short; }
  bool Has(size_t offset, size_t count) const { return offset <= m_size && count <= m_size - offset; }
  const uint8_t* At(size_t offset, size_t count) {
    if (Has(offset, count)) return m_data + offset;
    m_short = true;
    return nullptr;
  }
  uint16_t U16(size_t o) {
    const uint8_t* p = At(o, 2);
    return p ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : 0;
  }
  int16_t I16(size_t o) { return static_cast<int16_t>(U16(o)); }
  uint32_t U32(size_t o) {
    const uint8_t* p = At(o, 4);
    return p ? static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                   (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24)
             : 0;
  }
  int32_t I32(size_t o) { return static_cast<int32_t>(U32(o)); }
  float F32(size_t o) {
    const uint32_t bits = U32(o);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  void MarkShort() { m_short = true; }

private:
  const uint8_t* m_data;
  size_t m_size;
  bool m_short = false;
};

// A device-independent bitmap of a record (info header and colour table, and
// the pixel bits, which may lie apart) as a picture, through the BMP codec's
// DIB reader. Null with why set when it cannot be drawn: frUnsupportedFeature
// (palette-index colours, JPEG or PNG inside), frCorruptData, frTruncated.
// withAlpha keeps the fourth byte of uncompressed 32-bit pixels as alpha.
std::shared_ptr<TImage> DecodeDib(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize,
                                  bool withAlpha, TWorkBudget& budget, TFailureReason& why);
// A DIB whose pixels follow its header and table in one block (WMF records,
// EMF pattern brushes).
std::shared_ptr<TImage> DecodePackedDib(const uint8_t* dib, size_t size, TWorkBudget& budget, TFailureReason& why);
// Whether a bottom-up DIB: the sign of the header's height.
bool DibBottomUp(const uint8_t* info, size_t infoSize);

// Where the players report.
struct TPlayResult {
  TFailureReason Fault = frNone;   // the file cannot be drawn
  TFailureReason Damage = frNone;  // drawn, but not all of it
};

// Plays the WMF records (from the first record after the header) into the
// device; progress per record from records' byte offsets in [0, size).
void PlayWmf(const uint8_t* data, size_t size, size_t firstRecord, TGdiDevice& device, TProgressRecord& progress,
             TPlayResult& result);
// Plays the EMF records (from the header record on).
void PlayEmf(const uint8_t* data, size_t size, TGdiDevice& device, TProgressRecord& progress, TPlayResult& result);

}  // namespace pix::metafile
