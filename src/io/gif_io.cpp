// The I/O component's GIF operations.
#include "codecs/gif/gif_codec.h"
#include "io/pix_image_io.h"

namespace pix {

namespace {

// After a GIF load the component's background follows the file.
TColor GifBackgroundOf(const TIOParams& p) {
  return ColorOf(p.GifTransparent ? p.GifTransparentColor : p.GifBackground);
}

}  // namespace

int TPixImageIO::LoadGifFromFile(const std::string& fileName) {
  int count = 0;
  LoadFileWith(
      fileName,
      [this, &count](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
        ReadGifStream(s, image, count, AlphaPlane(), false, progress, ParamRecord());
      },
      {.FileType = ftGIF, .CodecFillsAlpha = true, .Extras = [this] { SetBackground(GifBackgroundOf(ParamRecord())); }});
  return count;
}

int TPixImageIO::LoadGifFromStream(TPixStream& stream) {
  int count = 0;
  LoadStreamWith(
      stream,
      [this, &count](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
        ReadGifStream(s, image, count, AlphaPlane(), false, progress, ParamRecord());
      },
      {.FileType = ftGIF,
       .CodecFillsAlpha = true,
       .PassResolution = false,
       .Extras = [this] { SetBackground(GifBackgroundOf(ParamRecord())); }});
  return count;
}

void TPixImageIO::ParamsFromGifFile(const std::string& fileName) {
  ParamsFromFileWith(fileName, ftGIF, [this](TPixStream& s, TBitmap& untouched, TProgressRecord& progress) {
    int count = 0;
    ReadGifStream(s, untouched, count, nullptr, true, progress, ParamRecord());
  });
}

void TPixImageIO::SaveGifToFile(const std::string& fileName) {
  SaveFileWith(fileName, [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
    WriteGifStream(s, image, ParamRecord(), progress);
  });
}

void TPixImageIO::SaveGifToStream(TPixStream& stream) {
  SaveStreamWith(stream, [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
    WriteGifStream(s, image, ParamRecord(), progress);
  });
}

}  // namespace pix
