// The XMP packet (keep all) and the Photoshop APP13 block (compact) of a
// saved JPEG, through exiv2.
#include <exiv2/exiv2.hpp>

#include <string>

#include "codecs/metadata/detail/metadata_blocks.h"

namespace pix::metadata {

namespace {

bool Contains(const std::string& text, const char* what) { return text.find(what) != std::string::npos; }

// Sets a property that exists to v; true when it changed.
bool SetProperty(Exiv2::XmpData& xmp, const char* key, long v) {
  auto pos = xmp.findKey(Exiv2::XmpKey(key));
  const std::string text = std::to_string(v);
  if (pos == xmp.end() || pos->toString() == text) return false;
  pos->setValue(text);
  return true;
}

TBlockResult RestateXmpUnguarded(const uint8_t* payload, std::size_t size, const TMetadataTarget& target) {
  const std::string packet(reinterpret_cast<const char*>(payload) + kXmpSignature.size(),
                           size - kXmpSignature.size());
  // Entity declarations are how XML parsers are made to expand a few bytes
  // into gigabytes; XMP has no use for them.
  if (Contains(packet, "<!DOCTYPE") || Contains(packet, "<!ENTITY")) return Refused();
  const bool orientation = target.Orientation >= 1 && target.Orientation <= 8 && Contains(packet, "Orientation");
  const bool sizes = target.Width > 0 && target.Height > 0 &&
                     (Contains(packet, "PixelXDimension") || Contains(packet, "PixelYDimension") ||
                      Contains(packet, "ImageWidth") || Contains(packet, "ImageLength"));
  if (!orientation && !sizes) return {};

  Exiv2::XmpData xmp;
  if (Exiv2::XmpParser::decode(xmp, packet) != 0) return Refused();
  bool changed = false;
  if (orientation) changed |= SetProperty(xmp, "Xmp.tiff.Orientation", target.Orientation);
  if (sizes) {
    changed |= SetProperty(xmp, "Xmp.exif.PixelXDimension", target.Width);
    changed |= SetProperty(xmp, "Xmp.exif.PixelYDimension", target.Height);
    changed |= SetProperty(xmp, "Xmp.tiff.ImageWidth", target.Width);
    changed |= SetProperty(xmp, "Xmp.tiff.ImageLength", target.Height);
  }
  if (!changed) return {};
  std::string restated;
  if (Exiv2::XmpParser::encode(restated, xmp, Exiv2::XmpParser::useCompactFormat) != 0) return Refused();
  if (restated.size() > kMaxPayload - kXmpSignature.size()) return Refused();
  TBlockResult result{TBlockOutcome::Rewritten, {}};
  result.Payload.assign(kXmpSignature.begin(), kXmpSignature.end());
  result.Payload.insert(result.Payload.end(), restated.begin(), restated.end());
  return result;
}

TBlockResult CompactPhotoshopUnguarded(const uint8_t* payload, std::size_t size) {
  const uint8_t* resources = payload + kPhotoshopSignature.size();
  const std::size_t length = size - kPhotoshopSignature.size();
  const Exiv2::byte* record = nullptr;
  uint32_t headerSize = 0, dataSize = 0;
  const int found = Exiv2::Photoshop::locateIptcIrb(resources, static_cast<long>(length), &record, &headerSize,
                                                    &dataSize);
  if (found == 3) return {TBlockOutcome::Empty, {}};
  if (found != 0 || !record) return Refused();
  // The record must lie inside the resources as found; exiv2 promises it,
  // the copy below relies on it.
  const auto offset = static_cast<std::size_t>(record - resources);
  if (record < resources || offset > length || uint64_t{headerSize} + dataSize > length - offset) return Refused();
  if (dataSize == 0) return {TBlockOutcome::Empty, {}};
  TBlockResult result{TBlockOutcome::Rewritten, {}};
  result.Payload.assign(kPhotoshopSignature.begin(), kPhotoshopSignature.end());
  result.Payload.insert(result.Payload.end(), record, record + headerSize + dataSize);
  // Resource data is padded to an even length.
  if (dataSize % 2 != 0) result.Payload.push_back(0);
  if (result.Payload.size() > kMaxPayload) return Refused();
  return result;
}

}  // namespace

TBlockResult RestateXmp(const uint8_t* payload, std::size_t size, const TMetadataTarget& target) {
  if (!StartsWith(payload, size, kXmpSignature)) return Refused();
  return Guarded([&] { return RestateXmpUnguarded(payload, size, target); });
}

TBlockResult CompactPhotoshop(const uint8_t* payload, std::size_t size) {
  if (!StartsWith(payload, size, kPhotoshopSignature)) return {TBlockOutcome::Empty, {}};
  return Guarded([&] { return CompactPhotoshopUnguarded(payload, size); });
}

}  // namespace pix::metadata
