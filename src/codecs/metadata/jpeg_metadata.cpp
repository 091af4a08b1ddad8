#include "codecs/metadata/jpeg_metadata.h"

#include <new>

#include "codecs/metadata/detail/metadata_blocks.h"
#include "platform/pix_exception.h"

namespace pix {

namespace {

using metadata::TBlockOutcome;
using metadata::TBlockResult;

constexpr uint8_t kApp1 = 0xE1;
constexpr uint8_t kApp13 = 0xED;
constexpr uint8_t kCom = 0xFE;

enum class TKind { FirstExif, OtherExif, Xmp, Photoshop, Comment, Other };

TKind KindOf(const TPixMarkerList::TMarker& m, bool& exifSeen) {
  const uint8_t* data = m.Payload.data();
  const std::size_t size = m.Payload.size();
  if (m.Code == kCom) return TKind::Comment;
  if (m.Code == kApp1 && metadata::StartsWith(data, size, metadata::kExifSignature)) {
    // Readers take the first EXIF block; a later one is only carried.
    const TKind kind = exifSeen ? TKind::OtherExif : TKind::FirstExif;
    exifSeen = true;
    return kind;
  }
  if (m.Code == kApp1 && metadata::StartsWith(data, size, metadata::kXmpSignature)) return TKind::Xmp;
  if (m.Code == kApp13 && metadata::StartsWith(data, size, metadata::kPhotoshopSignature)) return TKind::Photoshop;
  return TKind::Other;
}

TBlockResult Keep() { return {}; }
TBlockResult Drop() { return {TBlockOutcome::Empty, {}}; }

TBlockResult KeepAll(const TPixMarkerList::TMarker& m, TKind kind, const TMetadataTarget& target) {
  const uint8_t* data = m.Payload.data();
  const std::size_t size = m.Payload.size();
  switch (kind) {
    case TKind::FirstExif: return metadata::RestateExif(data, size, target);
    case TKind::Xmp: return metadata::RestateXmp(data, size, target);
    default: return Keep();
  }
}

TBlockResult Compact(const TPixMarkerList::TMarker& m, TKind kind, const TMetadataTarget& target) {
  const uint8_t* data = m.Payload.data();
  const std::size_t size = m.Payload.size();
  switch (kind) {
    case TKind::FirstExif: return metadata::CompactExif(data, size, target);
    case TKind::Photoshop: return metadata::CompactPhotoshop(data, size);
    case TKind::Comment: return Keep();
    default: return Drop();
  }
}

TPixMarkerList Rewrite(const TPixMarkerList& source, const TMetadataTarget& target, TMetadataReport* report) {
  TMetadataReport counts;
  TPixMarkerList out;
  bool exifSeen = false;
  for (int i = 0; i < source.Count(); ++i) {
    const TPixMarkerList::TMarker& m = source.Marker(i);
    if (target.Mode == mdStrip) {
      ++counts.Dropped;
      continue;
    }
    const TKind kind = KindOf(m, exifSeen);
    const TBlockResult result = target.Mode == mdCompact ? Compact(m, kind, target) : KeepAll(m, kind, target);
    TBlockOutcome outcome = result.Outcome;
    if (outcome == TBlockOutcome::Refused) {
      ++counts.Refused;
      outcome = target.Mode == mdCompact ? TBlockOutcome::Empty : TBlockOutcome::Unchanged;
    }
    switch (outcome) {
      case TBlockOutcome::Unchanged:
        out.AddMarker(m.Code, m.Payload.data(), static_cast<int>(m.Payload.size()));
        ++counts.Kept;
        break;
      case TBlockOutcome::Rewritten:
        out.AddMarker(m.Code, result.Payload.data(), static_cast<int>(result.Payload.size()));
        ++counts.Rewritten;
        break;
      default:
        ++counts.Dropped;
        break;
    }
  }
  if (report) *report = counts;
  return out;
}

}  // namespace

int32_t LoadedExifOrientation(const TIOParams& params) {
  const int32_t o = params.ExifOrientation;
  return params.FileType == ftJPEG && o >= 1 && o <= 8 ? o : 0;
}

TPixMarkerList RewriteJpegMarkers(const TPixMarkerList& source, const TMetadataTarget& target,
                                  TMetadataReport* report) {
  try {
    return Rewrite(source, target, report);
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
}

void PrepareJpegMetadata(TIOParams& params, const TMetadataTarget& target, TMetadataReport* report) {
  const TPixMarkerList rewritten = RewriteJpegMarkers(params.MarkerList(), target, report);
  params.MarkerList().Assign(rewritten);
  TPixIPTCInfoList& iptc = params.IptcInfo();
  if (target.Mode == mdStrip || (target.Mode == mdCompact && iptc.Count() == 0)) iptc.IptcChanged = false;
}

}  // namespace pix
