#pragma once
// Owners of libheif's objects and the reading of its errors, shared by the
// HEIF reader and writers.
#include <libheif/heif.h>

#include <memory>

#include "imaging/failure_reason.h"

namespace pix::heif {

struct TContextFree {
  void operator()(heif_context* c) const { heif_context_free(c); }
};
struct THandleRelease {
  void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct TImageRelease {
  void operator()(heif_image* i) const { heif_image_release(i); }
};
struct TEncoderRelease {
  void operator()(heif_encoder* e) const { heif_encoder_release(e); }
};
struct TDecodingOptionsFree {
  void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
struct TEncodingOptionsFree {
  void operator()(heif_encoding_options* o) const { heif_encoding_options_free(o); }
};

using TContext = std::unique_ptr<heif_context, TContextFree>;
using THandle = std::unique_ptr<heif_image_handle, THandleRelease>;
using TImage = std::unique_ptr<heif_image, TImageRelease>;
using TEncoder = std::unique_ptr<heif_encoder, TEncoderRelease>;
using TDecodingOptions = std::unique_ptr<heif_decoding_options, TDecodingOptionsFree>;
using TEncodingOptions = std::unique_ptr<heif_encoding_options, TEncodingOptionsFree>;

// Initialises libheif once per process (its coder registry is not safe to
// build from several threads at once); every use of libheif comes after it.
void InitialiseLibheif();

// A new context, libheif initialised. Throws EPixOutOfMemory when the context
// cannot be had.
TContext NewContext();

// What a libheif error on reading means: frNone for heif_error_Ok. An
// allocation failure other than a security limit throws EPixOutOfMemory.
TFailureReason ReadFailureOf(const heif_error& error);

}  // namespace pix::heif
