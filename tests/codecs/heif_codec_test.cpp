// The HEIF codec on files from our writers and from libheif's own API:
// pictures, alpha, metadata as JPEG markers, the container's rotation, deep
// samples, image choice, and hostile input with its named reasons.
#include <gtest/gtest.h>

#include "codecs/exif/container_metadata.h"
#include "codecs/heif_webp_test_support.h"
#include "imaging/bitmap.h"
#include "platform/default_resolution.h"

using namespace pix;
using namespace heiftest;
using jpegtest::ExifPayload;

namespace {

struct TCoding {
  const char* Name;
  TWrite Write;
  heif_compression_format Format;
};

const TCoding kCodings[] = {{"HEIC", WriteHeicStream, heif_compression_HEVC},
                            {"AVIF", WriteAvifStream, heif_compression_AV1}};

bool CanWrite(const TCoding& c) { return c.Format == heif_compression_HEVC ? CanWriteHeic() : CanWriteAvif(); }

// The picture turned a quarter clockwise.
std::unique_ptr<TBitmap> TurnedClockwise(const TBitmap& in) {
  auto out = std::make_unique<TBitmap>(in.Height(), in.Width());
  for (int32_t y = 0; y < out->Height(); ++y)
    for (int32_t x = 0; x < out->Width(); ++x)
      std::copy_n(in.ScanLine(in.Height() - 1 - x) + y * 3, 3, out->ScanLine(y) + x * 3);
  return out;
}

}  // namespace

TEST(HeifCodec, OurFilesComeBackCloseWithTheirSizeAndOpaqueAlpha) {
  for (const TCoding& c : kCodings) {
    if (!CanWrite(c)) continue;
    // Odd sizes: both codings pad to whole chroma blocks and must crop again.
    for (auto [w, h] : {std::pair{64, 48}, std::pair{33, 17}}) {
      auto source = Photo(w, h);
      TIOParams params;
      params.JpegQuality = 90;
      const Bytes file = Write(c.Write, *source, nullptr, params);
      ASSERT_FALSE(file.empty()) << c.Name;
      TBitmap image;
      TPixMask alpha(3, 3, 8);
      TIOParams read;
      read.ExifOrientation = 6;
      const TRun run = Read(ReadHeifStream, file, image, &alpha, read);
      ASSERT_FALSE(run.Aborted) << c.Name << ": " << FailureText(run.Reason);
      EXPECT_EQ(run.Damage, frNone);
      EXPECT_EQ(std::make_tuple(read.Width, read.Height), std::make_tuple(w, h));
      EXPECT_EQ(read.BitsPerSample, 8);
      EXPECT_EQ(read.SamplesPerPixel, 3);
      EXPECT_EQ(read.ExifOrientation, 1);
      EXPECT_FALSE(read.ExifHasExifData);
      EXPECT_EQ(read.MarkerList().Count(), 0);
      EXPECT_LT(MeanDifference(image, *source), 6.0) << c.Name << " " << w << "x" << h;
      EXPECT_EQ(std::make_tuple(alpha.Width(), alpha.Height()), std::make_tuple(w, h));
      EXPECT_TRUE(alpha.Full());
    }
  }
}

TEST(HeifCodec, TransparencyIsWrittenOnlyWhenThereIsSomeAndComesBack) {
  for (const TCoding& c : kCodings) {
    if (!CanWrite(c)) continue;
    auto source = Photo(40, 24);
    const TPixMask ramp = Ramp(40, 24);
    TIOParams params;
    params.JpegQuality = 95;
    TBitmap image;
    TPixMask alpha;
    TIOParams read;
    ASSERT_FALSE(Read(ReadHeifStream, Write(c.Write, *source, &ramp, params), image, &alpha, read).Aborted);
    EXPECT_FALSE(alpha.Full()) << c.Name;
    EXPECT_LE(MaxDifference(alpha, ramp), 12) << c.Name;

    TPixMask opaque(40, 24, 8);
    opaque.Fill(255);
    const Bytes file = Write(c.Write, *source, &opaque, params);
    std::unique_ptr<heif_context, TContextFree> ctx(heif_context_alloc());
    ASSERT_EQ(heif_context_read_from_memory_without_copy(ctx.get(), file.data(), file.size(), nullptr).code,
              heif_error_Ok);
    heif_image_handle* handle = nullptr;
    heif_context_get_primary_image_handle(ctx.get(), &handle);
    EXPECT_FALSE(heif_image_handle_has_alpha_channel(handle)) << c.Name;
    heif_image_handle_release(handle);
  }
}

TEST(HeifCodec, MetadataTravelsAsJpegMarkersBothWays) {
  if (!CanWriteHeic()) GTEST_SKIP() << "no HEVC encoder";
  const Bytes exif = ExifPayload(false, {{0x010F, 2, {}, "Pixfold"}, {0x0112, 3, {3}, ""},
                                         {0x011A, 5, {300, 1}, ""}, {0x011B, 5, {300, 1}, ""}, {0x0128, 3, {2}, ""}});
  const std::string packet = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
  TContainerMetadata blocks;
  blocks.Exif.assign(exif.begin() + 6, exif.end());
  blocks.Xmp.assign(packet.begin(), packet.end());
  // Two APP2 chunks' worth of profile.
  for (int i = 0; i < 70000; ++i) blocks.Icc.push_back(static_cast<uint8_t>(i * 7));
  TIOParams params;
  StoreContainerMetadata(blocks, params);
  ASSERT_EQ(params.MarkerList().Count(), 4);
  auto source = Photo(16, 16);
  const Bytes file = Write(WriteHeicStream, *source, nullptr, params);

  TBitmap image;
  TIOParams read;
  ASSERT_FALSE(Read(ReadHeifStream, file, image, nullptr, read).Aborted);
  const TPixMarkerList& markers = read.MarkerList();
  ASSERT_EQ(markers.Count(), 4);
  EXPECT_EQ(markers.Marker(0), params.MarkerList().Marker(0));  // APP1 "Exif\0\0" + TIFF, byte for byte
  EXPECT_EQ(markers.Marker(1), params.MarkerList().Marker(1));  // APP1 XMP
  EXPECT_EQ(markers.MarkerCode(2), 0xE2);
  EXPECT_EQ(ContainerMetadataOf(markers).Icc, blocks.Icc);
  EXPECT_TRUE(read.ExifHasExifData);
  EXPECT_EQ(read.ExifMake, "Pixfold");
  // The block keeps its 3; the record says the picture is upright.
  EXPECT_EQ(read.ExifOrientation, 1);
  EXPECT_EQ(std::make_tuple(read.DpiX, read.DpiY), std::make_tuple(300, 300));
}

TEST(HeifCodec, ResolutionWithoutExifIsTheDefault) {
  if (!CanWriteHeic()) GTEST_SKIP() << "no HEVC encoder";
  pixtest::ScopedSetting<TResolution> dpi(DefaultResolution, [](TResolution r) { SetDefaultResolution(r.DpiX, r.DpiY); },
                                          TResolution{123, 45});
  auto source = Photo(8, 8);
  TIOParams params;
  const Bytes file = Write(WriteHeicStream, *source, nullptr, params);
  TBitmap untouched(2, 2);
  TIOParams read;
  ASSERT_FALSE(Read(ReadHeifStream, file, untouched, nullptr, read, true).Aborted);
  EXPECT_EQ(std::make_tuple(read.DpiX, read.DpiY), std::make_tuple(123, 45));
  EXPECT_EQ(std::make_tuple(read.Width, read.Height), std::make_tuple(8, 8));
  EXPECT_EQ(untouched.Width(), 2);  // parameters only
}

TEST(HeifCodec, APhoneStylePictureComesOutUprightAndIsNotTurnedTwice) {
  // Stored landscape, to be shown turned a quarter clockwise: the container
  // says so (irot) and so does the EXIF block (Orientation 6).
  auto stored = Photo(48, 32);
  const Bytes exif = ExifPayload(true, {{0x0112, 3, {6}, ""}, {0x010F, 2, {}, "Apple"}});
  for (const TCoding& c : kCodings) {
    const Bytes file = CameraFile({SourceOf(*stored)}, c.Format, heif_orientation_rotate_90_cw, exif);
    if (file.empty()) continue;
    TBitmap image;
    TIOParams read;
    ASSERT_FALSE(Read(ReadHeifStream, file, image, nullptr, read).Aborted) << c.Name;
    EXPECT_EQ(std::make_tuple(read.Width, read.Height), std::make_tuple(32, 48));
    EXPECT_LT(MeanDifference(image, *TurnedClockwise(*stored)), 6.0) << c.Name;
    EXPECT_EQ(read.ExifMake, "Apple");
    EXPECT_EQ(read.ExifOrientation, 1) << c.Name;
    // The EXIF block is the camera's, untouched: the writer restates it.
    ASSERT_GE(read.MarkerList().Count(), 1);
    EXPECT_EQ(Bytes(read.MarkerList().Marker(0).Payload), exif);
  }
}

TEST(HeifCodec, DeepSamplesAreRoundedToEightBits) {
  auto source = Photo(24, 16);
  const Bytes file = CameraFile({SourceOf(*source, 10)}, heif_compression_HEVC);
  if (file.empty()) GTEST_SKIP() << "no HEVC encoder";
  const std::vector<uint16_t> theirs = LibheifDeepDecode(file);
  TBitmap image;
  TIOParams read;
  ASSERT_FALSE(Read(ReadHeifStream, file, image, nullptr, read).Aborted);
  EXPECT_EQ(read.BitsPerSample, 10);
  ASSERT_EQ(theirs.size(), 24u * 16 * 3);
  int wrong = 0;
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 24; ++x)
      for (int c = 0; c < 3; ++c) {
        const uint32_t v = theirs[(y * 24 + x) * 3 + c];
        wrong += image.ScanLine(y)[x * 3 + 2 - c] != (v * 255 + 511) / 1023;
      }
  EXPECT_EQ(wrong, 0);
}

TEST(HeifCodec, TheImageIndexPicksPrimaryFirstThenTheOthersInFileOrder) {
  auto red = jpegtest::Constant(16, 8, 220, 30, 30);
  auto green = jpegtest::Constant(8, 8, 30, 220, 30);
  auto blue = jpegtest::Constant(8, 16, 30, 30, 220);
  const Bytes file = CameraFile({SourceOf(*red), SourceOf(*green), SourceOf(*blue)}, heif_compression_HEVC,
                                heif_orientation_normal, {}, true);
  if (file.empty()) GTEST_SKIP() << "no HEVC encoder";
  const struct {
    int Index;
    int Width, Height;
  } cases[] = {{0, 8, 16}, {1, 16, 8}, {2, 8, 8}};
  for (const auto& c : cases) {
    TBitmap image;
    TIOParams read;
    read.TiffImageIndex = c.Index;
    ASSERT_FALSE(Read(ReadHeifStream, file, image, nullptr, read).Aborted) << c.Index;
    EXPECT_EQ(std::make_tuple(read.Width, read.Height), std::make_tuple(c.Width, c.Height)) << c.Index;
  }
  for (int index : {3, -1}) {
    TBitmap image;
    TIOParams read;
    read.TiffImageIndex = index;
    EXPECT_EQ(Read(ReadHeifStream, file, image, nullptr, read).Reason, frNoImage) << index;
  }
}

TEST(HeifCodec, HostileInputFailsWithItsReasonAndLeavesThePictureAlone) {
  if (!CanWriteHeic()) GTEST_SKIP() << "no HEVC encoder";
  auto source = Photo(64, 64);
  TIOParams params;
  const Bytes good = Write(WriteHeicStream, *source, nullptr, params);
  Bytes noFtyp = good;
  noFtyp[4] = 'x';
  // The pictures' data lies at the end of our files.
  const Bytes cut(good.begin(), good.end() - 40);
  const struct {
    const char* Name;
    Bytes File;
    TFailureReason Reason;
  } cases[] = {
      {"empty", {}, frTruncated},
      {"header cut", Bytes(good.begin(), good.begin() + 10), frTruncated},
      {"a GIF", Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0}, frNotThisFormat},
      {"no file-type box", noFtyp, frNotThisFormat},
      {"boxes cut", Bytes(good.begin(), good.begin() + 200), frTruncated},
      {"picture cut", cut, frTruncated},
  };
  for (const auto& c : cases) {
    TBitmap image(3, 2);
    image.ScanLine(1)[4] = 0x5A;
    TIOParams read;
    const TRun run = Read(ReadHeifStream, c.File, image, nullptr, read);
    EXPECT_TRUE(run.Aborted) << c.Name;
    EXPECT_EQ(run.Reason, c.Reason) << c.Name << ": " << FailureText(run.Reason);
    EXPECT_EQ(image.Width(), 3) << c.Name;
    EXPECT_EQ(image.ScanLine(1)[4], 0x5A) << c.Name;
  }

  pixtest::ScopedSetting<int64_t> cap(MaxBitmapBytes, SetMaxBitmapBytes, 64 * 63 * 3);
  TBitmap image(3, 2);
  TIOParams read;
  EXPECT_EQ(Read(ReadHeifStream, good, image, nullptr, read).Reason, frSizeTooLarge);
  EXPECT_EQ(image.Width(), 3);
  // The parameters still come: nothing is decoded for them.
  EXPECT_FALSE(Read(ReadHeifStream, good, image, nullptr, read, true).Aborted);
  EXPECT_EQ(read.Width, 64);
}

TEST(HeifCodec, WritersReportShortWritesAndEmptyPictures) {
  if (!CanWriteHeic()) GTEST_SKIP() << "no HEVC encoder";
  auto source = Photo(16, 16);
  TIOParams params;
  TPixMemoryStream full;
  full.SetWriteLimit(100);
  TRun run;
  WriteHeicStream(full, *source, nullptr, params, run.Progress);
  EXPECT_EQ(run.Reason, frDiskFull);
  TBitmap empty;
  TRun none;
  TPixMemoryStream out;
  WriteHeicStream(out, empty, nullptr, params, none.Progress);
  EXPECT_EQ(none.Reason, frNoImage);
  EXPECT_EQ(out.Size(), 0);
}
