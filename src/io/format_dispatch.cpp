// Picking the codec by the file-name extension: the format table first, then
// the registry.
#include "io/file_type_registry.h"
#include "io/format_table.h"
#include "io/pix_image_io.h"

namespace pix {

void TPixImageIO::LoadFromFile(const std::string& fileName) {
  if (!Bitmap() || fileName.empty()) return;
  const std::string extension = LowerFileExtension(fileName);
  if (const TFormatRow* row = FindFormatRow(extension))
    row->Load(*this, fileName);
  else
    LoadThroughRegistry(fileName, extension);
}

void TPixImageIO::SaveToFile(const std::string& fileName) {
  if (fileName.empty()) return;
  const std::string extension = LowerFileExtension(fileName);
  const TFormatRow* row = FindFormatRow(extension);
  if (row && RowWrites(*row))
    row->Save(*this, fileName);
  else
    SaveThroughRegistry(fileName, extension);
}

void TPixImageIO::ParamsFromFile(const std::string& fileName) {
  const TFormatRow* row = FindFormatRow(LowerFileExtension(fileName));
  if (row && row->Params) {
    row->Params(*this, fileName);
    return;
  }
  ClearFailure();
  Fail(frNoCodec);
}

void TPixImageIO::LoadThroughRegistry(const std::string& fileName, const std::string& extension) {
  m_params->FileName.clear();
  m_params->FileType = ftUnknown;
  m_params->IptcInfo().Clear();
  m_params->MarkerList().Clear();
  TPixFileTypeInfo* type = PixFileTypes().FindByExtension(extension);
  if (!type || !type->ReadFunction) {
    ClearFailure();
    Fail(frNoCodec);
    return;
  }
  // Copied: the entry may change while its reader runs.
  const TFileTypeReadProc read = type->ReadFunction;
  LoadFileWith(
      fileName,
      [this, &read](TPixStream& s, TBitmap& image, TProgressRecord& progress) { read(s, image, *m_params, progress); },
      {.FileType = static_cast<TPixFileType>(type->FileType), .CodecFillsAlpha = true});
}

void TPixImageIO::SaveThroughRegistry(const std::string& fileName, const std::string& extension) {
  TPixFileTypeInfo* type = PixFileTypes().FindByExtension(extension);
  if (!type || !type->WriteFunction) {
    ClearFailure();
    Fail(frNoCodec);
    return;
  }
  const TFileTypeWriteProc write = type->WriteFunction;
  const auto fileType = static_cast<TPixFileType>(type->FileType);
  SaveFileWith(
      fileName,
      [this, &write](TPixStream& s, TBitmap& image, TProgressRecord& progress) { write(s, image, *m_params, progress); },
      [this, &fileName, fileType] {
        m_params->FileName = fileName;
        m_params->FileType = fileType;
      });
}

}  // namespace pix
