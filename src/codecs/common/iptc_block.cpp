// The APP13 payload of the IPTC records: a Photoshop 3.0 block holding one
// IPTC resource (0x0404). All lengths are big-endian.
#include <cstdlib>
#include <cstring>

#include "codecs/common/marker_lists.h"

namespace pix {

namespace {

constexpr char kPhotoshopSignature[] = "Photoshop 3.0";  // stored with its zero byte
constexpr std::size_t kSignatureSize = sizeof(kPhotoshopSignature);
constexpr uint16_t kIptcResource = 0x0404;
constexpr std::size_t kHeaderSize = 26;
constexpr std::size_t kResourceSizeOffset = 22;
constexpr uint8_t kRecordTag = 0x1C;

void PutBE16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void PutBE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

uint16_t GetBE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

uint32_t GetBE32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

// Where the IPTC resource's data starts when the payload is a Photoshop 3.0
// block: walks the "8BIM" resources (even-padded name and data) to 0x0404.
// Returns false when the payload is not such a block; start is the payload
// length when the block has no IPTC resource.
bool FindIptcResource(const uint8_t* data, std::size_t length, std::size_t& start) {
  if (length < kSignatureSize || std::memcmp(data, kPhotoshopSignature, kSignatureSize) != 0) return false;
  start = length;
  std::size_t p = kSignatureSize;
  while (p + 7 <= length && std::memcmp(data + p, "8BIM", 4) == 0) {
    const uint16_t id = GetBE16(data + p + 4);
    std::size_t nameSize = 1 + data[p + 6];  // Pascal string, padded to even
    nameSize += nameSize & 1;
    std::size_t sizeAt = p + 6 + nameSize;
    if (sizeAt + 4 > length) break;
    const std::size_t dataAt = sizeAt + 4;
    const std::size_t size = GetBE32(data + sizeAt);
    const std::size_t dataEnd = size > length - dataAt ? length : dataAt + size;
    if (id == kIptcResource) {
      start = dataAt;
      break;
    }
    if (dataEnd >= length) break;
    p = dataEnd + (size & 1);
  }
  return true;
}

}  // namespace

std::vector<uint8_t> TPixIPTCInfoList::BuildIptcBlock() const {
  std::vector<uint8_t> out(kSignatureSize);
  std::memcpy(out.data(), kPhotoshopSignature, kSignatureSize);
  out.insert(out.end(), {'8', 'B', 'I', 'M'});
  PutBE16(out, kIptcResource);
  out.insert(out.end(), {0, 0, 0, 0, 0, 0});  // empty name, resource size
  for (const TRecord& r : m_records) {
    if (r.RecordNumber == 2 && r.DataSet == 0) continue;  // record version: the reader's own
    out.push_back(kRecordTag);
    out.push_back(r.RecordNumber);
    out.push_back(r.DataSet);
    const std::size_t n = r.Data.size();
    if (n < 0x8000) {
      PutBE16(out, static_cast<uint16_t>(n));
    } else {
      out.insert(out.end(), {0x80, 0x04, 0, 0, 0, 0});
      PutBE32(out.data() + out.size() - 4, static_cast<uint32_t>(n));
    }
    out.insert(out.end(), r.Data.begin(), r.Data.end());
  }
  PutBE32(out.data() + kResourceSizeOffset, static_cast<uint32_t>(out.size() - kHeaderSize));
  if (out.size() & 1) out.push_back(0);
  return out;
}

void TPixIPTCInfoList::ParseIptcBlock(const uint8_t* data, int length) {
  m_records.clear();
  std::size_t begin = 0, end = 0;
  if (data && length > 0) {
    end = static_cast<std::size_t>(length);
    // Scanning a Photoshop block for its first tag byte would start inside a
    // size field or another resource that happens to hold 0x1C. The records
    // end at the first byte that is no tag, as the resource's padding or the
    // next "8BIM" is.
    if (!FindIptcResource(data, end, begin)) {
      const void* tag = std::memchr(data, kRecordTag, end);
      begin = tag ? static_cast<std::size_t>(static_cast<const uint8_t*>(tag) - data) : end;
    }
  }
  std::size_t p = begin;
  while (p < end && data[p] == kRecordTag) {
    if (p + 5 >= end) break;
    const uint8_t recordNumber = data[p + 1];
    const uint8_t dataSet = data[p + 2];
    int64_t size;
    std::size_t at;
    if (data[p + 3] & 0x80) {
      if (p + 9 > end) break;
      size = std::llabs(static_cast<int64_t>(static_cast<int32_t>(GetBE32(data + p + 5))));
      at = p + 9;
    } else {
      size = GetBE16(data + p + 3);
      at = p + 5;
    }
    if (static_cast<uint64_t>(size) > end - at) break;
    m_records.push_back({recordNumber, dataSet, std::vector<uint8_t>(data + at, data + at + size)});
    p = at + static_cast<std::size_t>(size);
  }
  IptcChanged = false;
}

}  // namespace pix
