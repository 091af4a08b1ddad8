#include "codecs/heif/detail/heif_session.h"

#include "platform/pix_exception.h"

namespace pix::heif {

void InitialiseLibheif() {
  static const bool initialised = [] {
    heif_init(nullptr);
    return true;
  }();
  (void)initialised;
}

TContext NewContext() {
  InitialiseLibheif();
  TContext context(heif_context_alloc());
  if (!context) throw EPixOutOfMemory();
  return context;
}

TFailureReason ReadFailureOf(const heif_error& error) {
  switch (error.code) {
    case heif_error_Ok:
      return frNone;
    case heif_error_Invalid_input:
      return error.subcode == heif_suberror_End_of_data ? frTruncated : frCorruptData;
    case heif_error_Unsupported_filetype:
      return frNotThisFormat;
    case heif_error_Unsupported_feature:
      // No decoder for the picture's coding, e.g. a libheif built without one.
      return error.subcode == heif_suberror_Unsupported_codec ? frUnsupportedCompression : frUnsupportedFeature;
    case heif_error_Memory_allocation_error:
      if (error.subcode == heif_suberror_Security_limit_exceeded) return frSizeTooLarge;
      throw EPixOutOfMemory();
    case heif_error_Usage_error:
      // Item references that lead nowhere come back as usage errors.
      return frCorruptData;
    case heif_error_Decoder_plugin_error:
    default:
      return frCorruptData;
  }
}

}  // namespace pix::heif
