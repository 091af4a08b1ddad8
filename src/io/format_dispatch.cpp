// Picking the codec by the file-name extension.
#include <array>
#include <string_view>

#include "io/file_type_registry.h"
#include "io/pix_image_io.h"

namespace pix {

namespace {

constexpr int kTypeTiff = 1, kTypePcx = 4, kTypeIcon = 6, kTypeCursor = 7, kTypePng = 8;
constexpr int kTypeMetafile = 9, kTypeEnhancedMetafile = 10, kTypeTarga = 11, kTypePixmap = 12;

// One row of a dispatch table: the extensions it claims (lower case, without
// the dot; unused places empty) and the operation.
template <typename TOperation>
struct TDispatchRow {
  std::array<std::string_view, 6> Extensions;
  TOperation Run;
};

template <typename TOperation, size_t N>
const TOperation* FindRow(const TDispatchRow<TOperation> (&rows)[N], std::string_view extension) {
  if (extension.empty()) return nullptr;
  for (const auto& row : rows)
    for (std::string_view e : row.Extensions)
      if (e == extension) return &row.Run;
  return nullptr;
}

}  // namespace

void TPixImageIO::LoadFromFile(const std::string& fileName) {
  if (!Bitmap() || fileName.empty()) return;
  using TLoad = void (*)(TPixImageIO&, const std::string&, const std::string&);
  // The order of the rows is the order in which extensions are matched.
  static const TDispatchRow<TLoad> rows[] = {
      {{"jpg", "jpeg", "jpe"}, [](TPixImageIO& io, const std::string& n, const std::string&) { io.LoadJpegFromFile(n); }},
      {{"png"},
       [](TPixImageIO& io, const std::string& n, const std::string&) {
         io.LoadUnsupportedFile(n, {.FileType = kTypePng, .CodecFillsAlpha = true});
       }},
      {{"tif", "tiff"},
       [](TPixImageIO& io, const std::string& n, const std::string&) {
         io.LoadUnsupportedFile(n, {.FileType = kTypeTiff, .CodecFillsAlpha = true});
       }},
      {{"pcx"},
       [](TPixImageIO& io, const std::string& n, const std::string&) {
         io.LoadUnsupportedFile(n, {.FileType = kTypePcx});
       }},
      {{"gif"}, [](TPixImageIO& io, const std::string& n, const std::string&) { io.LoadGifFromFile(n); }},
      {{"wmf", "emf"},
       [](TPixImageIO& io, const std::string& n, const std::string& ext) {
         const int type = ext == "emf" ? kTypeEnhancedMetafile : kTypeMetafile;
         io.LoadUnsupportedFile(n, {.FileType = type, .CodecFillsAlpha = true});
       }},
      {{"bmp", "dib", "rle"}, [](TPixImageIO& io, const std::string& n, const std::string&) { io.LoadBmpFromFile(n); }},
      {{"cur"},
       [](TPixImageIO& io, const std::string& n, const std::string&) {
         io.LoadUnsupportedFile(n, {.FileType = kTypeCursor, .CodecFillsAlpha = true});
       }},
      {{"ico"},
       [](TPixImageIO& io, const std::string& n, const std::string&) {
         io.LoadUnsupportedFile(n, {.FileType = kTypeIcon, .CodecFillsAlpha = true});
       }},
      {{"tga", "targa", "vda", "icb", "vst", "win"},
       [](TPixImageIO& io, const std::string& n, const std::string&) {
         io.LoadUnsupportedFile(n, {.FileType = kTypeTarga, .CodecFillsAlpha = true});
       }},
      {{"pxm", "ppm", "pgm", "pbm"},
       [](TPixImageIO& io, const std::string& n, const std::string&) {
         io.LoadUnsupportedFile(n, {.FileType = kTypePixmap});
       }},
  };
  const std::string extension = LowerFileExtension(fileName);
  if (const TLoad* load = FindRow(rows, extension))
    (*load)(*this, fileName, extension);
  else
    LoadThroughRegistry(fileName, extension);
}

void TPixImageIO::SaveToFile(const std::string& fileName) {
  if (fileName.empty()) return;
  using TSave = void (*)(TPixImageIO&, const std::string&);
  // There is no writer for icons, cursors or metafiles: they fall through to the registry.
  static const TDispatchRow<TSave> rows[] = {
      {{"jpg", "jpeg", "jpe"}, [](TPixImageIO& io, const std::string& n) { io.SaveAsJpeg(n); }},
      {{"pcx"}, [](TPixImageIO& io, const std::string&) { io.SaveUnsupportedFile(); }},
      {{"gif"}, [](TPixImageIO& io, const std::string& n) { io.SaveGifToFile(n); }},
      {{"tif", "tiff"}, [](TPixImageIO& io, const std::string&) { io.SaveUnsupportedFile(); }},
      {{"png"}, [](TPixImageIO& io, const std::string&) { io.SaveUnsupportedFile(); }},
      {{"bmp", "dib", "rle"}, [](TPixImageIO& io, const std::string& n) { io.SaveBmpToFile(n); }},
      {{"tga", "targa", "vda", "icb", "vst", "win"}, [](TPixImageIO& io, const std::string&) { io.SaveUnsupportedFile(); }},
      {{"pxm", "pbm", "pgm", "ppm"}, [](TPixImageIO& io, const std::string&) { io.SaveUnsupportedFile(); }},
  };
  const std::string extension = LowerFileExtension(fileName);
  if (const TSave* save = FindRow(rows, extension))
    (*save)(*this, fileName);
  else
    SaveThroughRegistry(fileName, extension);
}

void TPixImageIO::LoadThroughRegistry(const std::string& fileName, const std::string& extension) {
  m_params->FileName.clear();
  m_params->FileType = 0;
  m_params->IptcInfo().Clear();
  m_params->MarkerList().Clear();
  TPixFileTypeInfo* type = PixFileTypes().FindByExtension(extension);
  if (!type || !type->ReadFunction) {
    m_aborting = true;
    return;
  }
  // Copied: the entry may change while its reader runs.
  const TFileTypeReadProc read = type->ReadFunction;
  LoadFileWith(
      fileName,
      [this, &read](TPixStream& s, TBitmap& image, TProgressRecord& progress) { read(s, image, *m_params, progress); },
      {.FileType = type->FileType, .CodecFillsAlpha = true});
}

void TPixImageIO::SaveThroughRegistry(const std::string& fileName, const std::string& extension) {
  TPixFileTypeInfo* type = PixFileTypes().FindByExtension(extension);
  if (!type || !type->WriteFunction) {
    m_aborting = true;
    return;
  }
  const TFileTypeWriteProc write = type->WriteFunction;
  const int32_t fileType = type->FileType;
  SaveFileWith(
      fileName,
      [this, &write](TPixStream& s, TBitmap& image, TProgressRecord& progress) { write(s, image, *m_params, progress); },
      [this, &fileName, fileType] {
        m_params->FileName = fileName;
        m_params->FileType = fileType;
      });
}

}  // namespace pix
