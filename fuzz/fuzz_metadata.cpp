// Fuzzes the metadata of saved JPEGs: arbitrary EXIF, XMP, ICC, Photoshop,
// comment and other blocks go through the rewrite in every mode and through
// the colour-profile judgement and conversion. Nothing here gives up with a
// reason (blocks are kept or dropped), so the checks are on the output: every
// payload still fits one marker, and a compact list is compact already.
//
// Input: an options byte (bits 0-1 the orientation to state: 0, 1, 6 or 8;
// bit 2 a written height above 65535; bit 3 pixels converted to sRGB; bit 4
// gray pixels for the profile), then records of a kind byte, a 16-bit
// big-endian length and that many payload bytes (cut at the end of the input). The kind's low three bits
// choose the block (modulo 7): 0 APP1 as given, 1 APP1 after "Exif" and two
// zero bytes, 2 APP1 after the XMP namespace, 3 APP2 after "ICC_PROFILE" and
// a zero byte (the payload then starts with the chunk number and count),
// 4 APP13 after "Photoshop 3.0" and a zero byte, 5 COM, 6 APPn with n the
// kind's high four bits.
#include <cstring>
#include <string_view>

#include "codecs/metadata/color_profile.h"
#include "codecs/metadata/jpeg_metadata.h"
#include "fuzz_common.h"

namespace {

using namespace pix;

constexpr std::string_view kPrefixes[] = {
    {"", 0}, {"Exif\0\0", 6}, {"http://ns.adobe.com/xap/1.0/\0", 29}, {"ICC_PROFILE\0", 12}, {"Photoshop 3.0\0", 14},
    {"", 0}, {"", 0}};
constexpr uint8_t kCodes[] = {0xE1, 0xE1, 0xE1, 0xE2, 0xED, 0xFE, 0xE0};

TPixMarkerList MarkersOf(const uint8_t* data, size_t size) {
  TPixMarkerList list;
  std::vector<uint8_t> payload;
  for (size_t p = 0; p + 3 <= size && list.Count() < 64;) {
    const uint8_t kind = data[p];
    const size_t length = std::min<size_t>((size_t{data[p + 1]} << 8) | data[p + 2], size - p - 3);
    const int which = (kind & 7) % 7;
    payload.assign(kPrefixes[which].begin(), kPrefixes[which].end());
    payload.insert(payload.end(), data + p + 3, data + p + 3 + length);
    payload.resize(std::min<size_t>(payload.size(), 65533));
    const auto code = static_cast<uint8_t>(which == 6 ? 0xE0 + (kind >> 4) : kCodes[which]);
    list.AddMarker(code, payload.data(), static_cast<int>(payload.size()));
    p += 3 + length;
  }
  return list;
}

void CheckFits(const TPixMarkerList& list) {
  for (int i = 0; i < list.Count(); ++i)
    if (list.MarkerLength(i) > 65533) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  fuzzsupport::CapAllocations();
  const uint8_t options = data[0];
  const TPixMarkerList source = MarkersOf(data + 1, size - 1);
  constexpr int32_t kOrientations[] = {0, 1, 6, 8};
  for (TMetadataMode mode : {mdKeepAll, mdCompact, mdStrip}) {
    const TMetadataTarget target{.Mode = mode,
                                 .Width = 240,
                                 .Height = options & 4 ? 70000 : 320,
                                 .Orientation = kOrientations[options & 3],
                                 .ProfileConverted = (options & 8) != 0};
    TMetadataReport report;
    const TPixMarkerList out = RewriteJpegMarkers(source, target, &report);
    CheckFits(out);
    if (report.Kept + report.Rewritten + report.Dropped != source.Count()) __builtin_trap();
    if (mode == mdStrip && out.Count() != 0) __builtin_trap();
    if (mode == mdCompact) {
      // What compact keeps, it keeps again.
      const TPixMarkerList again = RewriteJpegMarkers(out, target);
      if (again.Count() != out.Count()) __builtin_trap();
    }
  }
  TIOParams params;
  params.MarkerList().Assign(source);
  params.JpegColorSpace = options & 16 ? jcGrayscale : jcYCbCr;
  TBitmap image(5, 2);
  std::memset(image.Bits(), 0x80, static_cast<size_t>(image.ByteSize()));
  ConvertEmbeddedProfileToSrgb(image, params);
  return 0;
}
