#include "codecs/exif/exif_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/jpeg/jpeg_codec.h"

namespace pix {

namespace {

constexpr std::size_t kTiffStart = 6;  // "Exif", two zero bytes

enum TTiffType : uint16_t {
  ttByte = 1, ttAscii, ttShort, ttLong, ttRational, ttSByte, ttUndefined, ttSShort, ttSLong, ttSRational,
  ttFloat, ttDouble
};

uint64_t TypeSize(uint16_t type) {
  switch (type) {
    case ttByte: case ttAscii: case ttSByte: case ttUndefined: return 1;
    case ttShort: case ttSShort: return 2;
    case ttLong: case ttSLong: case ttFloat: return 4;
    case ttRational: case ttSRational: case ttDouble: return 8;
    default: return 0;
  }
}

// The TIFF bytes with their byte order. Every read is preceded by a Has check.
class TTiffData {
public:
  TTiffData(const uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

  bool Has(uint64_t at, uint64_t count) const { return at <= m_size && count <= m_size - at; }
  uint16_t U16(std::size_t at) const {
    const uint8_t* p = m_data + at;
    return m_little ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : static_cast<uint16_t>((p[0] << 8) | p[1]);
  }
  uint32_t U32(std::size_t at) const {
    const uint8_t* p = m_data + at;
    uint32_t b0 = p[0], b1 = p[1], b2 = p[2], b3 = p[3];
    return m_little ? (b3 << 24) | (b2 << 16) | (b1 << 8) | b0 : (b0 << 24) | (b1 << 16) | (b2 << 8) | b3;
  }
  const uint8_t* At(std::size_t at) const { return m_data + at; }
  std::size_t Size() const { return m_size; }

  // Byte order mark, 42, and the offset of the first directory.
  bool ReadHeader(uint32_t& firstIfd) {
    if (!Has(0, 8)) return false;
    if (m_data[0] == 'I' && m_data[1] == 'I')
      m_little = true;
    else if (m_data[0] == 'M' && m_data[1] == 'M')
      m_little = false;
    else
      return false;
    if (U16(2) != 42) return false;
    firstIfd = U32(4);
    return true;
  }

private:
  const uint8_t* m_data;
  std::size_t m_size;
  bool m_little = true;
};

struct TTiffEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  std::size_t ValueAt = 0;  // where the value bytes are, checked to lie inside the data
};

using TIfd = std::vector<TTiffEntry>;

// Reads the directory at offset. Entries whose type is unknown or whose value
// lies outside the data are dropped. False when the directory itself does not fit.
bool ReadIfd(const TTiffData& tiff, uint32_t offset, TIfd& entries, uint32_t* next) {
  entries.clear();
  if (next) *next = 0;
  if (!tiff.Has(offset, 2)) return false;
  const uint16_t count = tiff.U16(offset);
  const uint64_t entriesAt = uint64_t{offset} + 2;
  if (!tiff.Has(entriesAt, uint64_t{count} * 12)) return false;
  for (uint16_t i = 0; i < count; ++i) {
    const std::size_t at = static_cast<std::size_t>(entriesAt + uint64_t{i} * 12);
    TTiffEntry e{tiff.U16(at), tiff.U16(at + 2), tiff.U32(at + 4), at + 8};
    const uint64_t bytes = TypeSize(e.Type) * e.Count;
    if (bytes == 0) continue;
    if (bytes > 4) e.ValueAt = tiff.U32(at + 8);
    if (!tiff.Has(e.ValueAt, bytes)) continue;
    entries.push_back(e);
  }
  const uint64_t nextAt = entriesAt + uint64_t{count} * 12;
  if (next && tiff.Has(nextAt, 4)) *next = tiff.U32(static_cast<std::size_t>(nextAt));
  return true;
}

const TTiffEntry* Find(const TIfd& ifd, uint16_t tag) {
  for (const TTiffEntry& e : ifd)
    if (e.Tag == tag) return &e;
  return nullptr;
}

// Element index of an integer entry (BYTE, SHORT or LONG).
bool Unsigned(const TTiffData& tiff, const TTiffEntry* e, uint32_t index, uint32_t& value) {
  if (!e || index >= e->Count) return false;
  switch (e->Type) {
    case ttByte: value = *tiff.At(e->ValueAt + index); return true;
    case ttShort: value = tiff.U16(e->ValueAt + std::size_t{index} * 2); return true;
    case ttLong: value = tiff.U32(e->ValueAt + std::size_t{index} * 4); return true;
    default: return false;
  }
}

// Element index of a (signed) rational or integer entry. A zero denominator
// makes the value unreadable.
bool Number(const TTiffData& tiff, const TTiffEntry* e, uint32_t index, double& value) {
  if (!e || index >= e->Count) return false;
  if (e->Type == ttRational || e->Type == ttSRational) {
    const std::size_t at = e->ValueAt + std::size_t{index} * 8;
    const uint32_t num = tiff.U32(at), den = tiff.U32(at + 4);
    if (den == 0) return false;
    if (e->Type == ttRational)
      value = static_cast<double>(num) / static_cast<double>(den);
    else
      value = static_cast<double>(static_cast<int32_t>(num)) / static_cast<double>(static_cast<int32_t>(den));
    return true;
  }
  uint32_t u;
  if (!Unsigned(tiff, e, index, u)) return false;
  value = u;
  return true;
}

void ReadInt(const TTiffData& tiff, const TIfd& ifd, uint16_t tag, int32_t& out) {
  uint32_t v;
  if (Unsigned(tiff, Find(ifd, tag), 0, v)) out = static_cast<int32_t>(v);
}

void ReadNumber(const TTiffData& tiff, const TIfd& ifd, uint16_t tag, double& out) {
  double v;
  if (Number(tiff, Find(ifd, tag), 0, v)) out = v;
}

// ASCII up to the first zero byte.
void ReadText(const TTiffData& tiff, const TIfd& ifd, uint16_t tag, std::string& out) {
  const TTiffEntry* e = Find(ifd, tag);
  if (!e || e->Type != ttAscii) return;
  const char* p = reinterpret_cast<const char*>(tiff.At(e->ValueAt));
  out.assign(p, strnlen(p, e->Count));
}

void ReadImageDirectory(const TTiffData& tiff, const TIfd& ifd, TExifFields& v) {
  ReadText(tiff, ifd, 0x010E, v.ExifImageDescription);
  ReadText(tiff, ifd, 0x010F, v.ExifMake);
  ReadText(tiff, ifd, 0x0110, v.ExifModel);
  ReadInt(tiff, ifd, 0x0112, v.ExifOrientation);
  ReadNumber(tiff, ifd, 0x011A, v.ExifXResolution);
  ReadNumber(tiff, ifd, 0x011B, v.ExifYResolution);
  ReadInt(tiff, ifd, 0x0128, v.ExifResolutionUnit);
  ReadText(tiff, ifd, 0x0131, v.ExifSoftware);
  ReadText(tiff, ifd, 0x0132, v.ExifDateTime);
  ReadText(tiff, ifd, 0x013B, v.ExifArtist);
  ReadText(tiff, ifd, 0x8298, v.ExifCopyright);
  const TTiffEntry* refBW = Find(ifd, 0x0214);
  for (uint32_t i = 0; i < v.ExifReferenceBlackWhite.size(); ++i) Number(tiff, refBW, i, v.ExifReferenceBlackWhite[i]);
}

void ReadExifDirectory(const TTiffData& tiff, const TIfd& ifd, TExifFields& v) {
  ReadNumber(tiff, ifd, 0x829A, v.ExifExposureTime);
  ReadNumber(tiff, ifd, 0x829D, v.ExifFNumber);
  ReadInt(tiff, ifd, 0x8822, v.ExifExposureProgram);
  const TTiffEntry* iso = Find(ifd, 0x8827);
  for (uint32_t i = 0; i < v.ExifISOSpeedRatings.size(); ++i) {
    uint32_t u;
    if (Unsigned(tiff, iso, i, u)) v.ExifISOSpeedRatings[i] = static_cast<int32_t>(u);
  }
}

// Decodes a JPEG thumbnail through this codec; false when it gave up.
bool DecodeJpegThumbnail(const uint8_t* data, std::size_t size, TBitmap& out) {
  TPixMemoryStream stream(data, static_cast<int64_t>(size));
  TIOParams params;
  bool aborted = false;
  TFailureReason reason = frNone;
  TProgressRecord progress{.Aborting = &aborted, .Reason = &reason};
  ReadJpegStream(stream, out, params, false, progress);
  return !aborted;
}

// An uncompressed 8-bit RGB thumbnail in one or more strips.
bool DecodeRgbThumbnail(const TTiffData& tiff, const TIfd& ifd, TBitmap& out) {
  uint32_t width = 0, height = 0, samples = 0, photometric = 0;
  if (!Unsigned(tiff, Find(ifd, 0x0100), 0, width) || !Unsigned(tiff, Find(ifd, 0x0101), 0, height) ||
      !Unsigned(tiff, Find(ifd, 0x0115), 0, samples) || !Unsigned(tiff, Find(ifd, 0x0106), 0, photometric))
    return false;
  uint32_t bits = 8;
  Unsigned(tiff, Find(ifd, 0x0102), 0, bits);
  if (width == 0 || height == 0 || samples != 3 || photometric != 2 || bits != 8) return false;
  const uint64_t need = uint64_t{width} * height * 3;
  if (need > tiff.Size()) return false;  // the strips must lie inside the block

  std::vector<uint8_t> pixels;
  pixels.reserve(static_cast<std::size_t>(need));
  const TTiffEntry* offsets = Find(ifd, 0x0111);
  const TTiffEntry* counts = Find(ifd, 0x0117);
  for (uint32_t i = 0; offsets && pixels.size() < need && i < offsets->Count; ++i) {
    uint32_t at = 0, count = 0;
    if (!Unsigned(tiff, offsets, i, at) || !Unsigned(tiff, counts, i, count) || !tiff.Has(at, count)) return false;
    const std::size_t take = static_cast<std::size_t>(std::min<uint64_t>(count, need - pixels.size()));
    pixels.insert(pixels.end(), tiff.At(at), tiff.At(at) + take);
  }
  if (pixels.size() < need) return false;
  out.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height), TPixelFormat::TrueColor);
  const uint8_t* in = pixels.data();
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = out.ScanLine(static_cast<int32_t>(y));
    for (uint32_t x = 0; x < width; ++x, in += 3, row += 3) {
      row[0] = in[2];
      row[1] = in[1];
      row[2] = in[0];
    }
  }
  return true;
}

// The image of the second directory, when it has one that decodes.
bool DecodeThumbnail(const TTiffData& tiff, const TIfd& ifd, TBitmap& out) {
  uint32_t at = 0, size = 0;
  if (Unsigned(tiff, Find(ifd, 0x0201), 0, at) && Unsigned(tiff, Find(ifd, 0x0202), 0, size)) {
    if (!tiff.Has(at, 1) || size == 0) return false;
    // Cameras often state a length a few bytes past the block; take what is there.
    const std::size_t available = std::min<std::size_t>(size, tiff.Size() - at);
    return DecodeJpegThumbnail(tiff.At(at), available, out);
  }
  return DecodeRgbThumbnail(tiff, ifd, out);
}

bool OpenTiff(const uint8_t* payload, std::size_t length, TTiffData& tiff, TIfd& ifd0, uint32_t& nextIfd) {
  if (!payload || length < kTiffStart || std::memcmp(payload, "Exif\0", 5) != 0) return false;
  tiff = TTiffData(payload + kTiffStart, length - kTiffStart);
  uint32_t first = 0;
  return tiff.ReadHeader(first) && ReadIfd(tiff, first, ifd0, &nextIfd);
}

}  // namespace

namespace {

// The values of the first directory and its EXIF sub-directory; next is the
// offset of the second directory (0 when there is none).
bool ReadValues(const uint8_t* payload, std::size_t length, TTiffData& tiff, TExifFields& values, uint32_t& next) {
  TIfd ifd0, sub;
  values = TExifFields{};
  if (!OpenTiff(payload, length, tiff, ifd0, next)) return false;
  ReadImageDirectory(tiff, ifd0, values);
  uint32_t exifAt = 0;
  if (Unsigned(tiff, Find(ifd0, 0x8769), 0, exifAt) && ReadIfd(tiff, exifAt, sub, nullptr))
    ReadExifDirectory(tiff, sub, values);
  return true;
}

}  // namespace

bool ParseExifBlock(const uint8_t* payload, std::size_t length, TExifFields& values) {
  TTiffData tiff(nullptr, 0);
  uint32_t next = 0;
  return ReadValues(payload, length, tiff, values, next);
}

namespace {

constexpr uint16_t kExifPointer = 0x8769;
constexpr uint16_t kGpsPointer = 0x8825;
constexpr uint16_t kInteropPointer = 0xA005;
constexpr uint16_t kMakerNote = 0x927C;

uint64_t ValueBytesOf(const TIfd& ifd) {
  uint64_t sum = 0;
  for (const TTiffEntry& e : ifd) sum += TypeSize(e.Type) * e.Count;
  return sum;
}

uint64_t ValueBytesAt(const TTiffData& tiff, const TIfd& parent, uint16_t pointerTag, TIfd* child = nullptr) {
  TIfd local;
  TIfd& ifd = child ? *child : local;
  uint32_t at = 0;
  if (!Unsigned(tiff, Find(parent, pointerTag), 0, at) || !ReadIfd(tiff, at, ifd, nullptr)) return 0;
  return ValueBytesOf(ifd);
}

// Calls visit(tag, entry offset, raw 4-byte value field) for every entry of
// the directory at offset that lies inside the data, unfiltered: another
// parser may accept types and offsets this reader drops.
template <typename Visit>
void VisitRawEntries(const TTiffData& tiff, uint32_t offset, Visit visit) {
  if (!tiff.Has(offset, 2)) return;
  const uint16_t count = tiff.U16(offset);
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t at = uint64_t{offset} + 2 + uint64_t{i} * 12;
    if (!tiff.Has(at, 12)) return;
    const auto entry = static_cast<std::size_t>(at);
    visit(tiff.U16(entry), entry, tiff.U32(entry + 8));
  }
}

}  // namespace

bool InspectExifLayout(const uint8_t* payload, std::size_t length, TExifLayout& layout) {
  layout = TExifLayout{};
  TTiffData tiff(nullptr, 0);
  TIfd ifd0, exif;
  uint32_t next = 0;
  if (!OpenTiff(payload, length, tiff, ifd0, next)) return false;
  layout.ValueBytes = ValueBytesOf(ifd0) + ValueBytesAt(tiff, ifd0, kExifPointer, &exif) +
                      ValueBytesAt(tiff, ifd0, kGpsPointer) + ValueBytesAt(tiff, exif, kInteropPointer);
  TIfd ifd1;
  if (next != 0 && ReadIfd(tiff, next, ifd1, nullptr)) layout.ValueBytes += ValueBytesOf(ifd1);

  uint32_t first = 0;
  tiff.ReadHeader(first);
  std::vector<uint32_t> exifDirectories;
  VisitRawEntries(tiff, first, [&](uint16_t tag, std::size_t entry, uint32_t value) {
    if (tag == kMakerNote) layout.MakerNoteEntries.push_back(kTiffStart + entry);
    if (tag == kExifPointer) exifDirectories.push_back(value);
  });
  for (uint32_t at : exifDirectories)
    VisitRawEntries(tiff, at, [&](uint16_t tag, std::size_t entry, uint32_t) {
      if (tag == kMakerNote) layout.MakerNoteEntries.push_back(kTiffStart + entry);
    });
  return true;
}

bool ReadExifBlock(const uint8_t* payload, std::size_t length, TIOParams& params) {
  ClearExifBlock(params);
  TTiffData tiff(nullptr, 0);
  TExifFields values;
  uint32_t next = 0;
  if (!ReadValues(payload, length, tiff, values, next)) return false;
  values.ExifHasExifData = true;
  static_cast<TExifFields&>(params) = std::move(values);
  TIfd ifd1;
  if (next != 0 && ReadIfd(tiff, next, ifd1, nullptr)) {
    TBitmap thumbnail;
    try {
      if (DecodeThumbnail(tiff, ifd1, thumbnail)) CopyImage(thumbnail, params.ExifThumbnail());
    } catch (const EPixException&) {
      // A thumbnail too large to allocate is no reason to fail the load.
    }
  }
  return true;
}

void ClearExifBlock(TIOParams& params) {
  static_cast<TExifFields&>(params) = TExifFields{};
  TBitmap& thumbnail = params.ExifThumbnail();
  thumbnail.Allocate(1, 1, thumbnail.PixelFormat());
}

}  // namespace pix
