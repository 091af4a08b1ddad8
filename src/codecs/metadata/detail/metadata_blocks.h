#pragma once
// The block rewrites behind RewriteJpegMarkers, one per kind of payload. Each
// takes a whole marker payload and never lets an exception of the EXIF/XMP
// library out; what it makes of the block is its outcome.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

#include "codecs/metadata/jpeg_metadata.h"

namespace pix::metadata {

using TBytes = std::vector<uint8_t>;

enum class TBlockOutcome {
  Unchanged,  // nothing to restate: write the block as it came
  Rewritten,  // write Payload instead
  Empty,      // nothing worth keeping: leave the block out
  Refused     // the library would not read it (or the result would not fit)
};

struct TBlockResult {
  TBlockOutcome Outcome = TBlockOutcome::Unchanged;
  TBytes Payload;
};

// Payload signatures (the bytes a payload starts with).
constexpr std::string_view kExifSignature{"Exif\0", 5};
constexpr std::string_view kXmpSignature{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view kPhotoshopSignature{"Photoshop 3.0\0", 14};
constexpr std::string_view kIccSignature{"ICC_PROFILE\0", 12};

inline bool StartsWith(const uint8_t* data, std::size_t size, std::string_view signature) {
  return size >= signature.size() && std::string_view(reinterpret_cast<const char*>(data), signature.size()) == signature;
}

// The longest payload a marker segment holds.
constexpr std::size_t kMaxPayload = 65533;

// Mutes the library's log and starts its XMP toolkit, once per process.
void PrepareLibrary();

// Held around every use of the library: its XMP toolkit keeps process-wide
// state, and files may be converted on several threads. A rewrite costs a
// fraction of a millisecond, so the wait is short.
std::mutex& LibraryLock();

inline TBlockResult Refused() { return {TBlockOutcome::Refused, {}}; }

// Runs a rewrite under the library's lock, turning whatever the library
// throws (its own errors, std::bad_alloc, range errors) into a refusal.
template <typename Rewrite>
TBlockResult Guarded(Rewrite rewrite) {
  try {
    PrepareLibrary();
    std::lock_guard<std::mutex> hold(LibraryLock());
    return rewrite();
  } catch (...) {
    return Refused();
  }
}

// Keep all: the EXIF block with the target's size and orientation written
// into the tags that exist (in place where they fit). Unchanged when there
// is nothing to restate.
TBlockResult RestateExif(const uint8_t* payload, std::size_t size, const TMetadataTarget& target);
// Compact: a new EXIF block holding only the tags a viewer uses.
TBlockResult CompactExif(const uint8_t* payload, std::size_t size, const TMetadataTarget& target);
// Keep all: the XMP packet with the target's size and orientation written
// into the properties that exist. Unchanged when there is nothing to restate.
TBlockResult RestateXmp(const uint8_t* payload, std::size_t size, const TMetadataTarget& target);
// Compact: a Photoshop APP13 block holding only its IPTC record; Empty when
// it has none.
TBlockResult CompactPhotoshop(const uint8_t* payload, std::size_t size);

}  // namespace pix::metadata
