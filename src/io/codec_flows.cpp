// The common load, save and parameters-only flows around a codec of the
// common shape.
#include "io/pix_image_io.h"

namespace pix {

void TPixImageIO::LoadFileWithCodec(const std::string& fileName, TPixFileType type, TCodecRead read) {
  LoadFileWith(
      fileName,
      [this, read](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
        read(s, image, AlphaPlane(), false, ParamRecord(), progress);
      },
      {.FileType = type, .CodecFillsAlpha = true});
}

void TPixImageIO::LoadStreamWithCodec(TPixStream& stream, TPixFileType type, TCodecRead read) {
  LoadStreamWith(
      stream,
      [this, read](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
        read(s, image, AlphaPlane(), false, ParamRecord(), progress);
      },
      {.FileType = type, .CodecFillsAlpha = true, .PassResolution = false});
}

void TPixImageIO::SaveFileWithCodec(const std::string& fileName, TCodecWrite write) {
  SaveFileWith(fileName, [this, write](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
    write(s, image, AlphaPlane(), ParamRecord(), progress);
  });
}

void TPixImageIO::SaveStreamWithCodec(TPixStream& stream, TCodecWrite write) {
  SaveStreamWith(stream, [this, write](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
    write(s, image, AlphaPlane(), ParamRecord(), progress);
  });
}

void TPixImageIO::ParamsFromFileWithCodec(const std::string& fileName, TPixFileType type, TCodecRead read) {
  ParamsFromFileWith(fileName, type, [this, read](TPixStream& s, TBitmap& untouched, TProgressRecord& progress) {
    read(s, untouched, nullptr, true, ParamRecord(), progress);
  });
}

}  // namespace pix
