#include "codecs/common/io_params.h"
#include "codecs/gif/gif_codec.h"
#include "platform/gif_lzw_decoder.h"
#include "platform/gif_lzw_encoder.h"

namespace pix {

void InstallGifLzwCoders() {
  DefaultGifLzwDecode = &GifLzwDecode;
  DefaultGifLzwEncode = &GifLzwEncode;
}

}  // namespace pix
