#include "codecs/exif/container_metadata.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "codecs/exif/exif_reader.h"

namespace pix {

namespace {

constexpr uint8_t kApp1 = 0xE1;
constexpr uint8_t kApp2 = 0xE2;
// A marker segment holds at most this many payload bytes.
constexpr std::size_t kMaxMarkerPayload = 65533;

constexpr uint8_t kExifSignature[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";  // and its terminating zero
constexpr char kIccSignature[] = "ICC_PROFILE";                   // and its terminating zero
constexpr std::size_t kXmpHeader = sizeof(kXmpSignature);
// Signature, then the chunk's number (from 1) and the chunk count.
constexpr std::size_t kIccHeader = sizeof(kIccSignature) + 2;
constexpr std::size_t kIccChunkData = kMaxMarkerPayload - kIccHeader;
constexpr std::size_t kMaxIccChunks = 255;

bool StartsWith(const TPixMarkerList::TMarker& m, const void* signature, std::size_t length) {
  return m.Payload.size() >= length && std::memcmp(m.Payload.data(), signature, length) == 0;
}

void AddMarker(TPixMarkerList& markers, uint8_t code, const std::vector<uint8_t>& payload) {
  markers.AddMarker(code, payload.data(), static_cast<int>(payload.size()));
}

std::vector<uint8_t> WithHeader(const void* header, std::size_t headerLength, std::span<const uint8_t> data) {
  std::vector<uint8_t> out(headerLength + data.size());
  std::memcpy(out.data(), header, headerLength);
  std::copy(data.begin(), data.end(), out.begin() + static_cast<std::ptrdiff_t>(headerLength));
  return out;
}

void AddIccChunks(TPixMarkerList& markers, const std::vector<uint8_t>& icc) {
  const std::size_t count = (icc.size() + kIccChunkData - 1) / kIccChunkData;
  if (count == 0 || count > kMaxIccChunks) return;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t from = i * kIccChunkData;
    const std::size_t length = std::min(kIccChunkData, icc.size() - from);
    std::vector<uint8_t> payload = WithHeader(kIccSignature, sizeof(kIccSignature),
                                              std::span<const uint8_t>(icc.data() + from, length));
    payload.insert(payload.begin() + sizeof(kIccSignature),
                   {static_cast<uint8_t>(i + 1), static_cast<uint8_t>(count)});
    AddMarker(markers, kApp2, payload);
  }
}

std::vector<uint8_t> JoinIccChunks(const TPixMarkerList& markers) {
  std::vector<const TPixMarkerList::TMarker*> chunks;
  std::size_t count = 0;
  for (int i = 0; i < markers.Count(); ++i) {
    const TPixMarkerList::TMarker& m = markers.Marker(i);
    if (m.Code != kApp2 || !StartsWith(m, kIccSignature, sizeof(kIccSignature)) || m.Payload.size() < kIccHeader)
      continue;
    const std::size_t number = m.Payload[kIccHeader - 2];
    const std::size_t total = m.Payload[kIccHeader - 1];
    if (count == 0) {
      count = total;
      chunks.assign(count, nullptr);
    }
    if (total != count || number == 0 || number > count || chunks[number - 1]) return {};
    chunks[number - 1] = &m;
  }
  std::vector<uint8_t> profile;
  for (const TPixMarkerList::TMarker* m : chunks) {
    if (!m) return {};
    profile.insert(profile.end(), m->Payload.begin() + kIccHeader, m->Payload.end());
  }
  return profile;
}

// trunc(value x factor) when that is a usable resolution, else 0.
int32_t WholeDpi(double value, long double factor) {
  const long double dpi = static_cast<long double>(value) * factor;
  if (!std::isfinite(dpi) || dpi < 1.0L || dpi > static_cast<long double>(std::numeric_limits<int32_t>::max()))
    return 0;
  return static_cast<int32_t>(dpi);
}

}  // namespace

std::span<const uint8_t> ExifTiffStructure(std::span<const uint8_t> block) {
  if (block.size() >= sizeof(kExifSignature) && std::memcmp(block.data(), kExifSignature, sizeof(kExifSignature)) == 0)
    return block.subspan(sizeof(kExifSignature));
  return block;
}

void StoreContainerMetadata(const TContainerMetadata& metadata, TIOParams& params) {
  TPixMarkerList& markers = params.MarkerList();
  markers.Clear();
  params.IptcInfo().Clear();
  // The EXIF values are read from the whole block even when it is too long
  // to travel in a marker.
  const std::vector<uint8_t> exif = WithHeader(kExifSignature, sizeof(kExifSignature), metadata.Exif);
  if (!metadata.Exif.empty() && exif.size() <= kMaxMarkerPayload) AddMarker(markers, kApp1, exif);
  if (!metadata.Xmp.empty() && kXmpHeader + metadata.Xmp.size() <= kMaxMarkerPayload)
    AddMarker(markers, kApp1, WithHeader(kXmpSignature, kXmpHeader, metadata.Xmp));
  AddIccChunks(markers, metadata.Icc);
  if (metadata.Exif.empty() || !ReadExifBlock(exif.data(), exif.size(), params)) ClearExifBlock(params);
}

TContainerMetadata ContainerMetadataOf(const TPixMarkerList& markers) {
  TContainerMetadata out;
  bool haveExif = false, haveXmp = false;
  for (int i = 0; i < markers.Count(); ++i) {
    const TPixMarkerList::TMarker& m = markers.Marker(i);
    if (m.Code != kApp1) continue;
    if (!haveExif && StartsWith(m, kExifSignature, sizeof(kExifSignature))) {
      out.Exif.assign(m.Payload.begin() + sizeof(kExifSignature), m.Payload.end());
      haveExif = true;
    } else if (!haveXmp && StartsWith(m, kXmpSignature, kXmpHeader)) {
      out.Xmp.assign(m.Payload.begin() + kXmpHeader, m.Payload.end());
      haveXmp = true;
    }
  }
  out.Icc = JoinIccChunks(markers);
  return out;
}

bool ExifResolutionDpi(const TExifFields& exif, int32_t& dpiX, int32_t& dpiY) {
  const long double factor = exif.ExifResolutionUnit == 3 ? 2.54L : 1.0L;
  const int32_t x = WholeDpi(exif.ExifXResolution, factor);
  const int32_t y = WholeDpi(exif.ExifYResolution, factor);
  if (x == 0 || y == 0) return false;
  dpiX = x;
  dpiY = y;
  return true;
}

}  // namespace pix
