#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "codecs/common/io_params.h"
#include "io/pix_image_io.h"
#include "support/test_support.h"

using namespace pix;

TEST(IOParams, ResetValuesWithoutBitmapOrView) {
  TPixImageIO io;
  TIOParams& p = io.ParamRecord();
  EXPECT_EQ(p.OwnerIO, &io);
  EXPECT_EQ(p.Width, 0);
  EXPECT_EQ(p.Height, 0);
  EXPECT_EQ(p.DpiX, 0);
  EXPECT_EQ(p.DpiY, 0);
  EXPECT_EQ(p.BitsPerSample, 8);
  EXPECT_EQ(p.SamplesPerPixel, 3);
  EXPECT_EQ(p.JpegQuality, 50);
  EXPECT_EQ(p.JpegColorSpace, 2);
  EXPECT_EQ(p.JpegScale, 1);
  EXPECT_EQ(p.JpegScaleDenominator, 1);
  EXPECT_EQ(p.GifVersion, "GIF89a");
  EXPECT_EQ(p.BmpVersion, 1);
  EXPECT_EQ(p.BmpCompression, 0);
  EXPECT_EQ(p.ColorMap(), nullptr);
  EXPECT_EQ(p.ColorMapCount, 0);
  EXPECT_EQ(p.ExifThumbnail().Width(), 1);
  EXPECT_EQ(p.GifLzwDecode, nullptr);
  EXPECT_EQ(p.FileType, 0);
}

TEST(IOParams, ResetTakesSizeAndResolutionFromTheOwner) {
  TPixImageView view;
  view.CurrentBitmap()->Allocate(30, 20, TPixelFormat::TrueColor);
  view.SetResolution(72, 144);
  TPixImageIO io;
  io.SetAttachedView(&view);
  io.ParamRecord().Reset();
  EXPECT_EQ(io.ParamRecord().Width, 30);
  EXPECT_EQ(io.ParamRecord().Height, 20);
  EXPECT_EQ(io.ParamRecord().DpiX, 72);
  EXPECT_EQ(io.ParamRecord().DpiY, 144);
  // A bare bitmap gives the size but keeps the previous resolution.
  TBitmap bare(4, 5);
  io.SetBitmap(&bare);
  io.ParamRecord().Reset();
  EXPECT_EQ(io.ParamRecord().Width, 4);
  EXPECT_EQ(io.ParamRecord().DpiX, 72);
}

TEST(IOParams, ResetPicksUpTheCurrentLzwDefaults) {
  TGifLzwDecodeProc decode = [](TPixStream&, int32_t, int32_t, bool, uint8_t*) {};
  pixtest::ScopedValue<TGifLzwDecodeProc> installed(DefaultGifLzwDecode, decode);
  TIOParams p;
  EXPECT_EQ(p.GifLzwDecode, decode);
}

namespace {

// A record with a non-reset value in every group and in every owned list.
void FillEverything(TIOParams& p) {
  TRGB map[4] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
  p.SetColorMap(map, 4);
  p.Width = 640, p.DpiY = 300, p.FileType = ftGIF;
  p.TiffPageName = "page", p.TiffCoder1 = [] {};
  p.GifTransparent = true, p.GifBackground = TRGB{9, 8, 7}, p.GifVersion = "GIF87a";
  p.JpegQuality = 87, p.JpegColorSpace = jcCMYK, p.JpegWarningCode = 5;
  p.PcxVersion = 3, p.BmpVersion = 2, p.IcoBackground = TRGB{}, p.CurYHotSpot = 4;
  p.PngCompression = 9, p.TgaImageName = "tga", p.TgaDate = 1.5;
  p.ExifXResolution = 72.0, p.ExifMake = "camera";
  p.SetExifISOSpeedRatings(1, 400);
  p.FileName = "/tmp/x.gif", p.GifImageCount = 3, p.TiffRowsPerStrip = 16;
  uint8_t payload[3] = {'a', 'b', 'c'};
  p.MarkerList().AddMarker(0xFE, payload, 3);
  p.IptcInfo().Add(2, 120, payload, 3);
  p.Comments().push_back("comment");
  p.ExifThumbnail().Allocate(8, 6, TPixelFormat::TrueColor);
  p.ExifThumbnail().ScanLine(0)[0] = 77;
}

}  // namespace

TEST(IOParams, AssignFromCopiesEveryFieldIntoIndependentStorage) {
  TIOParams copy;
  {
    TIOParams src;
    FillEverything(src);
    copy.AssignFrom(src);
    EXPECT_TRUE(copy == src);
    EXPECT_NE(copy.ColorMap(), src.ColorMap());
    EXPECT_TRUE(copy.IptcInfo().IptcChanged);
  }
  // Everything survives the source; the comparison sees each kind of field.
  TIOParams again;
  FillEverything(again);
  EXPECT_TRUE(copy == again);
  for (auto change : std::vector<std::function<void(TIOParams&)>>{
           [](TIOParams& p) { p.TgaGamma = 1.0; },
           [](TIOParams& p) { p.ExifISOSpeedRatings[0] = 1; },
           [](TIOParams& p) { p.Comments().clear(); },
           [](TIOParams& p) { p.ExifThumbnail().ScanLine(5)[3] = 1; },
           [](TIOParams& p) { p.FreeColorMap(); },
       }) {
    TIOParams changed;
    changed.AssignFrom(copy);
    change(changed);
    EXPECT_FALSE(changed == copy);
  }
  EXPECT_EQ(copy.OwnerIO, nullptr);  // the owner is not copied
}

TEST(IOParams, ResetRestoresEveryFieldButThoseItLeavesAlone) {
  TIOParams p;
  FillEverything(p);
  p.Reset();
  TIOParams fresh;
  fresh.TgaDate = p.TgaDate;  // today, at each reset
  // Reset keeps the size and resolution without an owner, and three fields it never touches.
  fresh.Width = 640, fresh.DpiY = 300, fresh.JpegWarningCode = 5, fresh.CurYHotSpot = 4;
  EXPECT_TRUE(p == fresh);
}

TEST(IOParams, AssignParamsAcceptsComponentsAndRecordsOnly) {
  TPixImageIO a, b;
  a.ParamRecord().JpegQuality = 12;
  b.AssignParams(&a);
  EXPECT_EQ(b.ParamRecord().JpegQuality, 12);
  TIOParams bare;
  bare.JpegQuality = 99;
  b.AssignParams(&bare);
  EXPECT_EQ(b.ParamRecord().JpegQuality, 99);
  TPixImageView other;
  b.AssignParams(&other);
  EXPECT_EQ(b.ParamRecord().JpegQuality, 99);
  EXPECT_EQ(b.ParamRecord().OwnerIO, &b);
}

TEST(MarkerLists, FindReplaceAndIptcChangedRules) {
  TPixMarkerList list;
  uint8_t a[2] = {1, 2}, b[1] = {3};
  list.AddMarker(0xE1, a, 2);
  list.AddMarker(0xED, b, 1);
  EXPECT_EQ(list.IndexOf(0xED), 1);
  EXPECT_EQ(list.IndexOf(0xE0), -1);
  list.SetMarker(1, 0xED, a, 2);
  EXPECT_EQ(list.MarkerLength(1), 2);
  std::vector<uint8_t> big(70000, 5);
  list.AddMarker(0xFE, big.data(), static_cast<int>(big.size()));
  EXPECT_EQ(list.MarkerLength(2), 70000 & 0xFFFF);  // lengths are 16-bit
  list.Clear();
  EXPECT_EQ(list.Count(), 0);

  TPixIPTCInfoList iptc;
  EXPECT_FALSE(iptc.IptcChanged);
  iptc.Clear();
  EXPECT_TRUE(iptc.IptcChanged);
}

TEST(ImageIOComponent, BackgroundWriteGoesToTheView) {
  TPixImageView view;
  TPixImageIO io;
  io.SetBackground(RGBColor(5, 5, 5));
  EXPECT_EQ(io.Background(), RGBColor(5, 5, 5));
  io.SetAttachedView(&view);
  EXPECT_EQ(io.Background(), clBtnFace);
  io.SetBackground(RGBColor(6, 6, 6));
  EXPECT_EQ(view.Background(), RGBColor(6, 6, 6));
}
