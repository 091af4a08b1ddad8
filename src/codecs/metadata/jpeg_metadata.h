#pragma once
// What a saved JPEG carries besides its pixels. The source's COM and APPn
// markers (the record's MarkerList as the load left it) are kept whole, cut
// down to what a viewer uses, or left out; whatever EXIF is kept states the
// pixel size written and, when asked, the orientation. Metadata is hostile
// input: a block the EXIF/XMP library refuses is dropped (compact) or kept as
// it came (keep all), never a failed save.
#include <cstdint>

#include "codecs/common/io_params.h"
#include "codecs/common/marker_lists.h"

namespace pix {

// The values of the "Metadata" setting.
enum TMetadataMode {
  mdKeepAll = 0,  // every marker as it came, sizes and orientation restated
  mdCompact = 1,  // the EXIF tags a viewer uses, IPTC and comments; nothing else
  mdStrip = 2     // no APPn or COM marker at all
};

// What the written file must state.
struct TMetadataTarget {
  TMetadataMode Mode = mdKeepAll;
  // The pixel size written; a side of 0 or less leaves the size tags alone.
  int32_t Width = 0;
  int32_t Height = 0;
  // 0 leaves the Orientation tag as it is; 1..8 is the value to state (1
  // once the picture was turned upright). A value 1 is not added where the
  // tag is missing, since a missing tag means 1.
  int32_t Orientation = 0;
  // The pixels were converted to sRGB from the embedded profile
  // (ConvertEmbeddedProfileToSrgb): a kept ColorSpace tag then says sRGB.
  bool ProfileConverted = false;
};

// How the markers fared, for callers that log and for tests.
struct TMetadataReport {
  int Kept = 0;       // written as they came
  int Rewritten = 0;  // written with new content
  int Dropped = 0;    // left out by the mode
  int Refused = 0;    // blocks the library would not read, also counted as
                      // kept (keep all) or dropped (compact)
};

// The EXIF Orientation of the picture the last load brought, for
// OrientUpright: the record's ExifOrientation after a JPEG load, 0 after a
// load of any other type (the record keeps the EXIF values of an earlier
// JPEG across loads that have none) or when the value is not 1..8.
int32_t LoadedExifOrientation(const TIOParams& params);

// The markers to write for target, built from the source's markers:
// - keep all: every marker in order; the first EXIF block gets the written
//   size in PixelXDimension/PixelYDimension (and ImageWidth/ImageLength)
//   where those tags exist and the Orientation asked for, changed in place
//   so everything else stays byte for byte; an XMP packet that holds those
//   properties is restated the same way. Blocks without them come out
//   byte-identical.
// - compact: the first EXIF block rebuilt with date and time, camera and
//   lens make and model, exposure, orientation, colour space, resolution,
//   description, artist and copyright (no thumbnail, maker note, GPS, serial
//   numbers); the IPTC record of each Photoshop APP13 block; COM comments.
//   XMP, ICC profiles and every other APPn block are dropped.
// - strip: nothing.
// Safe to call on several threads at once (the EXIF/XMP library runs under
// one lock). Never throws on bad data; throws EPixOutOfMemory when the
// markers cannot be held.
TPixMarkerList RewriteJpegMarkers(const TPixMarkerList& source, const TMetadataTarget& target,
                                  TMetadataReport* report = nullptr);

// The hook before a JPEG save: replaces params.MarkerList() with its rewrite
// for target. The save adds an APP13 block of its own when
// IptcInfo().IptcChanged is set; compact clears that flag when there are no
// IPTC records (no empty block), strip always (no block at all).
void PrepareJpegMetadata(TIOParams& params, const TMetadataTarget& target, TMetadataReport* report = nullptr);

}  // namespace pix
