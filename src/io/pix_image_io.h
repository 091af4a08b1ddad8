#pragma once
// The I/O component: loads files into the working image and saves it, picking
// the codec by the file-name extension.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "codecs/common/codec_entry.h"
#include "codecs/common/io_params.h"
#include "imaging/image_client.h"
#include "imaging/progress.h"
#include "imaging/streamed_fit.h"
#include "platform/stream.h"

namespace pix {


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
  // The first reason that set AbortFlag in the last load or save (frNone
  // while it is clear).
  TFailureReason FailureReason() const { return m_reason; }
  // After a load that succeeded: why the picture is incomplete (data ended
  // early, damaged stretches), or frNone for an intact source.
  TFailureReason DamageReason() const { return m_damage; }

  bool StreamHeaders = false;
  // Settings of the parameter and preview dialogs, carried for the owner.
  TPreviewParams IOPreviewsParams = 0;
  TNotifyEvent OnIOPreview;
  TPixDialogsMeasureUnit DialogsMeasureUnit = pduInches;

  // Dispatch by the lower-cased extension of the name through the format
  // table (io/format_table.h), then the file-type registry. Nothing happens
  // without a bitmap or with an empty name. An extension nobody reads ends
  // with AbortFlag set, FileName empty, FileType 0 and the image untouched. A
  // codec that gives up leaves AbortFlag set; open failures throw
  // EPixStreamError.
  void LoadFromFile(const std::string& fileName);
  // Dispatch for saving: the format table's writers, then the registry.
  // Nothing happens with an empty name. An extension nobody writes (such as
  // .ico) ends with AbortFlag set and no file created. Create failures throw
  // EPixStreamError.
  void SaveToFile(const std::string& fileName);
  // Parameters only, by extension through the format table: the record is
  // filled from the file's header and the image left alone. A type without a
  // parameters-only reader ends with AbortFlag set (frNoCodec).
  void ParamsFromFile(const std::string& fileName);

  // Any codec with the common reader and writer shape (codecs/common/codec_entry.h),
  // run through the common flows; the reader fills the alpha plane itself.
  void LoadFileWithCodec(const std::string& fileName, TPixFileType type, TCodecRead read);
  void LoadStreamWithCodec(TPixStream& stream, TPixFileType type, TCodecRead read);
  void SaveFileWithCodec(const std::string& fileName, TCodecWrite write);
  void SaveStreamWithCodec(TPixStream& stream, TCodecWrite write);
  void ParamsFromFileWithCodec(const std::string& fileName, TPixFileType type, TCodecRead read);

  // JPEG
  void LoadJpegFromFile(const std::string& fileName);
  // LoadJpegFromFile followed by OrientUpright and fit's turn and fit, done
  // while decoding. accept sees the picture's size and EXIF orientation (0
  // without one) and returns the orientation to bring it upright by (1: as
  // it is), or 0 to decline. When fit takes the picture: true, and the bitmap
  // holds the result. False leaves a plain load of the whole picture.
  using TFitAccept = std::function<int32_t(int32_t width, int32_t height, int32_t orientation)>;
  bool LoadJpegFittedFromFile(const std::string& fileName, TStreamedTurnAndFit& fit, const TFitAccept& accept);
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
    TPixFileType FileType = ftUnknown;
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
  void ParamsFromFileWith(const std::string& fileName, TPixFileType fileType, const TReadStep& read);

  // Sets AbortFlag with its reason outside a codec (first reason sticks).
  void Fail(TFailureReason why);

  bool m_aborting = false;
  TFailureReason m_reason = frNone;
  TFailureReason m_damage = frNone;

private:
  // Clears AbortFlag, its reason and the damage note.
  void ClearFailure();
  // Clears AbortFlag; without a bitmap nullptr, else the bitmap after the
  // IPTC and marker lists are emptied.
  TBitmap* BeginLoad();
  void FinishLoad(const std::string& fileName, const TLoadOptions& options);
  // Clears AbortFlag; the bitmap (nullptr without one), coerced to TrueColor
  // unless it is TrueColor or Bilevel.
  TBitmap* BeginSave();
  void SaveStreamBody(TPixStream& stream, const TWriteStep& write, const TAfterStep& beforeWrite);

  // The fallback for extensions outside the tables.
  void LoadThroughRegistry(const std::string& fileName, const std::string& extension);
  void SaveThroughRegistry(const std::string& fileName, const std::string& extension);

  std::unique_ptr<TIOParams> m_params;
};

}  // namespace pix
