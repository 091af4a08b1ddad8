#pragma once
// The I/O component: loads files into the working image and saves it, picking
// the codec by the file-name extension.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "imaging/image_client.h"
#include "io/io_params.h"
#include "platform/stream.h"

namespace pix {

// Handed to every codec for one load or save.
struct TProgressRecord {
  TPixProgressEvent* Handler = nullptr;  // may point at an empty handler
  TPixObject* Sender = nullptr;
  int64_t Counter = 0;
  double PerUnit = 0.0;                  // percent per counted unit
  bool* Aborting = nullptr;              // the component's AbortFlag

  bool HasHandler() const { return Handler && *Handler; }
  void Report(int per) const {
    if (HasHandler()) (*Handler)(Sender, per);
  }
  void Abort() const {
    if (Aborting) *Aborting = true;
  }
  bool Aborted() const { return Aborting && *Aborting; }
};
using IOProgressRecord = TProgressRecord;

// Unit of the parameter dialogs (the dialogs themselves are not part of this library).
enum TPixDialogsMeasureUnit { pduInches, pduCentimeters, pduPixels };
// Pages shown by a preview dialog, as a set of flags; empty by default.
using TPreviewParams = uint32_t;

class TPixImageIO : public TPixImageClient {
public:
  TPixImageIO();
  ~TPixImageIO() override;

  TIOParams& ParamRecord() { return *m_params; }
  // Copies the record of another I/O component or a bare record; ignores the rest.
  void AssignParams(TPixObject* source);

  // Ignored while attached to a multi-image view.
  void SetBackground(TColor c) override;

  // Cleared at the start of every load and save; set by a codec that gave up.
  bool AbortFlag() const { return m_aborting; }

  bool StreamHeaders = false;
  // Settings of the parameter and preview dialogs, carried for the owner.
  TPreviewParams IOPreviewsParams = 0;
  TNotifyEvent OnIOPreview;
  TPixDialogsMeasureUnit DialogsMeasureUnit = pduInches;

  // Dispatch by the lower-cased extension of the name: JPEG, PNG, TIFF, PCX,
  // GIF, metafiles, BMP, cursor, icon, Targa, portable pixmap, then the file-type
  // registry. Nothing happens without a bitmap or with an empty name. An
  // extension nobody reads ends with AbortFlag set, FileName empty, FileType 0
  // and the image untouched. A codec that gives up leaves AbortFlag set; open
  // failures throw EPixStreamError.
  void LoadFromFile(const std::string& fileName);
  // Dispatch for saving: JPEG, PCX, GIF, TIFF, PNG, BMP, Targa, portable
  // pixmap, then the registry. Nothing happens with an empty name. An extension
  // nobody writes (such as .ico) ends with AbortFlag set and no file created.
  // Create failures throw EPixStreamError.
  void SaveToFile(const std::string& fileName);

  // JPEG
  void LoadJpegFromFile(const std::string& fileName);
  void LoadJpegFromStream(TPixStream& stream);
  void SaveAsJpeg(const std::string& fileName);
  void SaveJpegToStream(TPixStream& stream);
  // BMP
  void LoadBmpFromFile(const std::string& fileName);
  void LoadBmpFromStream(TPixStream& stream);
  void SaveBmpToFile(const std::string& fileName);
  void SaveBmpToStream(TPixStream& stream);
  // GIF: the loads return the number of images counted.
  int LoadGifFromFile(const std::string& fileName);
  int LoadGifFromStream(TPixStream& stream);
  void SaveGifToFile(const std::string& fileName);
  void SaveGifToStream(TPixStream& stream);

  // Parameters only: fill the record from a file's header and leave the image alone.
  void ParamsFromJpegFile(const std::string& fileName);
  void ParamsFromBmpFile(const std::string& fileName);
  void ParamsFromGifFile(const std::string& fileName);

  TProgressRecord MakeProgressRecord();

protected:
  // Codec calls as the common flows see them.
  using TReadStep = std::function<void(TPixStream&, TBitmap&, TProgressRecord&)>;
  using TWriteStep = std::function<void(TPixStream&, TBitmap&, TProgressRecord&)>;
  using TAfterStep = std::function<void()>;

  struct TLoadOptions {
    int FileType = 0;
    bool CodecFillsAlpha = false;   // GIF fills the alpha plane itself
    bool PassResolution = true;     // hand DpiX/DpiY to the view
    TAfterStep Extras;              // format extras after the codec (may be empty)
  };

  // The common flow of a load: clear AbortFlag, stop without a bitmap, empty
  // the IPTC and marker lists, run the codec, make the alpha plane opaque,
  // format extras, FileName (set for files, cleared for streams) and FileType,
  // resolution to the view, notify. A codec that gives up leaves AbortFlag set
  // and the flow still completes; open failures throw.
  void LoadFileWith(const std::string& fileName, const TReadStep& read, const TLoadOptions& options);
  void LoadStreamWith(TPixStream& stream, const TReadStep& read, const TLoadOptions& options);
  // The common flow of a save: clear AbortFlag, stop without a bitmap, coerce
  // the bitmap to TrueColor unless it is TrueColor or Bilevel, create the file
  // (truncating), run beforeWrite (may be empty) and the writer.
  void SaveFileWith(const std::string& fileName, const TWriteStep& write, const TAfterStep& beforeWrite = {});
  void SaveStreamWith(TPixStream& stream, const TWriteStep& write, const TAfterStep& beforeWrite = {});
  // A parameters-only read of a file: the reader gets a scratch bitmap it
  // must leave alone; afterwards FileName and FileType are set.
  void ParamsFromFileWith(const std::string& fileName, int fileType, const TReadStep& read);

  bool m_aborting = false;

private:
  // Clears AbortFlag; without a bitmap nullptr, else the bitmap after the
  // IPTC and marker lists are emptied.
  TBitmap* BeginLoad();
  void FinishLoad(const std::string& fileName, const TLoadOptions& options);
  // Clears AbortFlag; the bitmap (nullptr without one), coerced to TrueColor
  // unless it is TrueColor or Bilevel.
  TBitmap* BeginSave();
  void SaveStreamBody(TPixStream& stream, const TWriteStep& write, const TAfterStep& beforeWrite);

  // Formats whose codecs this library does not contain: the load runs the
  // common flow with a reader that gives up; the save gives up before the file
  // is created or the image touched.
  void LoadUnsupportedFile(const std::string& fileName, const TLoadOptions& options);
  void SaveUnsupportedFile();
  // The fallback for extensions outside the tables.
  void LoadThroughRegistry(const std::string& fileName, const std::string& extension);
  void SaveThroughRegistry(const std::string& fileName, const std::string& extension);

  std::unique_ptr<TIOParams> m_params;
};

}  // namespace pix
