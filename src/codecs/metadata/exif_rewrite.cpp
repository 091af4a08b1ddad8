// The EXIF block of a saved JPEG: restated in place (keep all) or rebuilt
// from a short list of tags (compact), both through exiv2. Before exiv2 sees
// a block, our own bounds-checked reader vets it and hides its maker note,
// the part of EXIF with the most vendor-specific parsing and the one neither
// rewrite needs to understand.
#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

#include "codecs/exif/exif_reader.h"
#include "codecs/metadata/detail/metadata_blocks.h"

namespace pix::metadata {

namespace {

constexpr std::size_t kTiffStart = 6;  // "Exif", two bytes

// Declared value bytes beyond this are refused before exiv2 copies them: a
// block of at most 64 KiB whose directories do not overlap claims at most
// 64 KiB, while a hostile one can point hundreds of entries at the same
// bytes and have every one copied.
constexpr uint64_t kMaxValueBytes = 1 << 20;

// A tag nobody defines: the maker note entry is renamed to it in our copy,
// so exiv2 keeps the maker note as opaque bytes.
constexpr uint16_t kHiddenMakerNoteTag = 0xC0DE;
constexpr uint16_t kMakerNoteTag = 0x927C;

// Compact keeps no value longer than this: a description of a few thousand
// characters is plausible, a 60 KiB model name is not.
constexpr long kMaxCompactValueBytes = 4096;

struct TGroups {
  int Image, Photo, Iop;
};

const TGroups& Groups() {
  static const TGroups groups{Exiv2::ExifKey("Exif.Image.Make").ifdId(), Exiv2::ExifKey("Exif.Photo.FNumber").ifdId(),
                              Exiv2::ExifKey("Exif.Iop.InteroperabilityIndex").ifdId()};
  return groups;
}

// The tags compact keeps, by directory.
constexpr std::array<uint16_t, 11> kCompactImageTags{
    0x010E,  // ImageDescription
    0x010F,  // Make
    0x0110,  // Model
    0x0112,  // Orientation
    0x011A,  // XResolution
    0x011B,  // YResolution
    0x0128,  // ResolutionUnit
    0x0132,  // DateTime
    0x013B,  // Artist
    0x0213,  // YCbCrPositioning
    0x8298,  // Copyright
};
constexpr std::array<uint16_t, 35> kCompactPhotoTags{
    0x829A,  // ExposureTime
    0x829D,  // FNumber
    0x8822,  // ExposureProgram
    0x8827,  // ISOSpeedRatings
    0x8830,  // SensitivityType
    0x8832,  // RecommendedExposureIndex
    0x9000,  // ExifVersion
    0x9003,  // DateTimeOriginal
    0x9004,  // DateTimeDigitized
    0x9010,  // OffsetTime
    0x9011,  // OffsetTimeOriginal
    0x9012,  // OffsetTimeDigitized
    0x9101,  // ComponentsConfiguration
    0x9201,  // ShutterSpeedValue
    0x9202,  // ApertureValue
    0x9204,  // ExposureBiasValue
    0x9205,  // MaxApertureValue
    0x9207,  // MeteringMode
    0x9208,  // LightSource
    0x9209,  // Flash
    0x920A,  // FocalLength
    0x9290,  // SubSecTime
    0x9291,  // SubSecTimeOriginal
    0x9292,  // SubSecTimeDigitized
    0xA000,  // FlashpixVersion
    0xA001,  // ColorSpace
    0xA002,  // PixelXDimension
    0xA003,  // PixelYDimension
    0xA402,  // ExposureMode
    0xA403,  // WhiteBalance
    0xA405,  // FocalLengthIn35mmFilm
    0xA406,  // SceneCaptureType
    0xA432,  // the lens's focal length and aperture range
    0xA433,  // LensMake
    0xA434,  // LensModel
};
constexpr std::array<uint16_t, 2> kCompactIopTags{
    0x0001,  // InteroperabilityIndex
    0x0002,  // InteroperabilityVersion
};

template <std::size_t N>
bool Listed(const std::array<uint16_t, N>& tags, uint16_t tag) {
  return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

bool CompactKeeps(const Exiv2::Exifdatum& d) {
  const TGroups& g = Groups();
  const int ifd = d.ifdId();
  if (ifd == g.Image) return Listed(kCompactImageTags, d.tag());
  if (ifd == g.Photo) return Listed(kCompactPhotoTags, d.tag());
  if (ifd == g.Iop) return Listed(kCompactIopTags, d.tag());
  return false;
}

void PutU16(uint8_t* p, uint16_t v, bool little) {
  p[little ? 0 : 1] = static_cast<uint8_t>(v);
  p[little ? 1 : 0] = static_cast<uint8_t>(v >> 8);
}

// The TIFF bytes of a vetted block, maker notes hidden. Unveil puts the tags
// back into bytes that still have the same layout.
class TVettedTiff {
public:
  // False when our reader finds no EXIF structure or the block claims more
  // value bytes than it could hold.
  bool Open(const uint8_t* payload, std::size_t size) {
    TExifLayout layout;
    if (!InspectExifLayout(payload, size, layout) || layout.ValueBytes > kMaxValueBytes) return false;
    m_bytes.assign(payload + kTiffStart, payload + size);
    m_little = m_bytes[0] == 'I';
    for (std::size_t entry : layout.MakerNoteEntries) {
      const std::size_t at = entry - kTiffStart;
      if (std::find(m_hidden.begin(), m_hidden.end(), at) != m_hidden.end()) continue;
      PutU16(m_bytes.data() + at, kHiddenMakerNoteTag, m_little);
      m_hidden.push_back(at);
    }
    return true;
  }
  TBytes& Bytes() { return m_bytes; }
  bool HidesMakerNote() const { return !m_hidden.empty(); }
  void Unveil() {
    for (std::size_t at : m_hidden) PutU16(m_bytes.data() + at, kMakerNoteTag, m_little);
  }

private:
  TBytes m_bytes;
  bool m_little = true;
  std::vector<std::size_t> m_hidden;
};

uint32_t Size32(const TBytes& bytes) { return static_cast<uint32_t>(bytes.size()); }

// Sets an existing integer tag to v in the type it has where v fits (so the
// write can stay in place); adds it as SHORT when add is set. True when the
// data changed.
bool SetInteger(Exiv2::ExifData& data, const char* key, uint32_t v, bool add) {
  const Exiv2::ExifKey k(key);
  auto pos = data.findKey(k);
  if (pos == data.end()) {
    if (!add) return false;
    Exiv2::UShortValue value;
    value.value_.push_back(static_cast<uint16_t>(v));
    data.add(k, &value);
    return true;
  }
  if (pos->count() == 1 && pos->toLong(0) == static_cast<long>(v) && pos->typeId() != Exiv2::invalidTypeId) return false;
  if (pos->typeId() == Exiv2::unsignedShort && v <= 0xFFFF) {
    Exiv2::UShortValue value;
    value.value_.push_back(static_cast<uint16_t>(v));
    pos->setValue(&value);
  } else {
    Exiv2::ULongValue value;
    value.value_.push_back(v);
    pos->setValue(&value);
  }
  return true;
}

bool SetText(Exiv2::ExifData& data, const char* key, const char* text) {
  auto pos = data.findKey(Exiv2::ExifKey(key));
  if (pos == data.end() || pos->toString() == text) return false;
  Exiv2::AsciiValue value(text);
  pos->setValue(&value);
  return true;
}

// Writes the target's statements into the tags; true when anything changed.
bool ApplyTarget(Exiv2::ExifData& data, const TMetadataTarget& target) {
  bool changed = false;
  if (target.Orientation >= 1 && target.Orientation <= 8)
    changed |= SetInteger(data, "Exif.Image.Orientation", static_cast<uint32_t>(target.Orientation),
                          target.Orientation != 1);
  if (target.Width > 0 && target.Height > 0) {
    const auto w = static_cast<uint32_t>(target.Width), h = static_cast<uint32_t>(target.Height);
    changed |= SetInteger(data, "Exif.Photo.PixelXDimension", w, false);
    changed |= SetInteger(data, "Exif.Photo.PixelYDimension", h, false);
    changed |= SetInteger(data, "Exif.Image.ImageWidth", w, false);
    changed |= SetInteger(data, "Exif.Image.ImageLength", h, false);
  }
  if (target.ProfileConverted) {
    changed |= SetInteger(data, "Exif.Photo.ColorSpace", 1, false);
    changed |= SetText(data, "Exif.Iop.InteroperabilityIndex", "R98");
  }
  return changed;
}

// "Exif", two zero bytes, then the TIFF bytes; Refused when it cannot be one
// marker.
TBlockResult ExifPayload(const uint8_t* tiff, std::size_t size) {
  if (size == 0 || size > kMaxPayload - kTiffStart) return Refused();
  TBlockResult result{TBlockOutcome::Rewritten, {}};
  result.Payload.reserve(kTiffStart + size);
  result.Payload.insert(result.Payload.end(), {'E', 'x', 'i', 'f', 0, 0});
  result.Payload.insert(result.Payload.end(), tiff, tiff + size);
  return result;
}

// Decodes the TIFF bytes; false when exiv2 finds no byte order.
bool Decode(const TBytes& tiff, Exiv2::ExifData& data, Exiv2::ByteOrder& order) {
  order = Exiv2::ExifParser::decode(data, tiff.data(), Size32(tiff));
  return order != Exiv2::invalidByteOrder;
}

// Encodes data over the TIFF bytes it was decoded from: in place when every
// change fits where the old value was (tiff then holds the result), else a
// new layout in fresh. Unlike ExifParser::encode this drops no tags a JPEG
// should not carry, so a block whose changes fit keeps every other byte.
bool EncodeInPlace(TBytes& tiff, Exiv2::ByteOrder order, const Exiv2::ExifData& data, TBytes& fresh) {
  Exiv2::MemIo io;
  const Exiv2::WriteMethod method = Exiv2::TiffParser::encode(io, tiff.data(), Size32(tiff), order, data,
                                                              Exiv2::IptcData(), Exiv2::XmpData());
  if (method == Exiv2::wmNonIntrusive) return true;
  const Exiv2::byte* bytes = io.size() > 0 ? io.mmap() : nullptr;
  fresh.assign(bytes, bytes ? bytes + io.size() : bytes);
  return false;
}

TBlockResult RestateUnguarded(const uint8_t* payload, std::size_t size, const TMetadataTarget& target) {
  TVettedTiff tiff;
  if (!tiff.Open(payload, size)) return Refused();
  Exiv2::ExifData data;
  Exiv2::ByteOrder order;
  if (!Decode(tiff.Bytes(), data, order)) return Refused();
  if (!ApplyTarget(data, target)) return {};
  TBytes fresh;
  if (EncodeInPlace(tiff.Bytes(), order, data, fresh)) {
    tiff.Unveil();
    return ExifPayload(tiff.Bytes().data(), tiff.Bytes().size());
  }
  if (tiff.HidesMakerNote()) {
    // A new layout moves the maker note, whose inner offsets only exiv2's
    // maker-note readers know how to carry along: start again with it visible.
    TBytes plain(payload + kTiffStart, payload + size);
    data.clear();
    if (!Decode(plain, data, order)) return Refused();
    ApplyTarget(data, target);
    if (EncodeInPlace(plain, order, data, fresh)) return ExifPayload(plain.data(), plain.size());
  }
  return ExifPayload(fresh.data(), fresh.size());
}

TBlockResult CompactUnguarded(const uint8_t* payload, std::size_t size, const TMetadataTarget& target) {
  TVettedTiff tiff;
  if (!tiff.Open(payload, size)) return Refused();
  Exiv2::ExifData all;
  Exiv2::ByteOrder order;
  if (!Decode(tiff.Bytes(), all, order)) return Refused();
  Exiv2::ExifData kept;
  for (const Exiv2::Exifdatum& d : all)
    if (CompactKeeps(d) && d.size() <= kMaxCompactValueBytes) kept.add(d);
  ApplyTarget(kept, target);
  if (kept.empty()) return {TBlockOutcome::Empty, {}};
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, nullptr, 0, order, kept);
  return ExifPayload(blob.data(), blob.size());
}

}  // namespace

std::mutex& LibraryLock() {
  static std::mutex lock;
  return lock;
}

void PrepareLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    // Namespace registrations take a lock of their own, as exiv2 asks of
    // threaded programs.
    static std::recursive_mutex registry;
    Exiv2::XmpParser::initialize(
        [](void* data, bool lock) {
          auto* m = static_cast<std::recursive_mutex*>(data);
          if (lock)
            m->lock();
          else
            m->unlock();
        },
        &registry);
  });
}

TBlockResult RestateExif(const uint8_t* payload, std::size_t size, const TMetadataTarget& target) {
  return Guarded([&] { return RestateUnguarded(payload, size, target); });
}

TBlockResult CompactExif(const uint8_t* payload, std::size_t size, const TMetadataTarget& target) {
  return Guarded([&] { return CompactUnguarded(payload, size, target); });
}

}  // namespace pix::metadata
