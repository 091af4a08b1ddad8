#pragma once
// The metadata of containers other than JPEG (HEIF items, WebP chunks),
// carried in the record the way a JPEG carries it: EXIF and XMP as APP1
// markers, an ICC profile as APP2 "ICC_PROFILE" chunks. Whatever reads or
// writes a JPEG's markers then treats these pictures alike.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codecs/common/io_params.h"
#include "codecs/common/marker_lists.h"

namespace pix {

struct TContainerMetadata {
  std::vector<uint8_t> Exif;  // the TIFF structure ("II*\0" or "MM\0*" first), no "Exif\0\0"
  std::vector<uint8_t> Xmp;   // the XMP packet
  std::vector<uint8_t> Icc;   // the ICC profile
};

// The TIFF structure of an EXIF block stored either bare or after the
// "Exif\0\0" signature of a JPEG's APP1 marker (WebP files hold both).
std::span<const uint8_t> ExifTiffStructure(std::span<const uint8_t> block);

// Empties the record's marker and IPTC lists, adds the blocks as markers
// (EXIF first, then XMP, then the ICC chunks; a block longer than its markers
// can hold is left out of them) and reads the EXIF block into the record's
// EXIF values and thumbnail (ClearExifBlock when there is none or it is not
// well formed). Never throws on bad data.
void StoreContainerMetadata(const TContainerMetadata& metadata, TIOParams& params);

// The blocks a writer of such a container stores, from the record's markers:
// the TIFF structure of the first APP1 EXIF marker, the packet of the first
// APP1 XMP marker, the profile of the APP2 chunks (empty when the chunks do
// not make one whole profile: a number missing, repeated or beyond the count).
TContainerMetadata ContainerMetadataOf(const TPixMarkerList& markers);

// The resolution the EXIF values state (ExifXResolution and ExifYResolution
// in ExifResolutionUnit), truncated to whole dots per inch. False, with dpiX
// and dpiY untouched, when they state none that is usable (below 1, not
// finite, beyond int32).
bool ExifResolutionDpi(const TExifFields& exif, int32_t& dpiX, int32_t& dpiY);

}  // namespace pix
