#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "codecs/exif/exif_reader.h"
#include "codecs/metadata/jpeg_metadata.h"
#include "metadata_test_builder.h"

using namespace pix;
using namespace metatest;

namespace {

std::vector<uint8_t> Codes(const TPixMarkerList& list) {
  std::vector<uint8_t> codes;
  for (int i = 0; i < list.Count(); ++i) codes.push_back(list.MarkerCode(i));
  return codes;
}

TMetadataTarget Target(TMetadataMode mode, int32_t w = 240, int32_t h = 320, int32_t orientation = 1) {
  return TMetadataTarget{.Mode = mode, .Width = w, .Height = h, .Orientation = orientation};
}

std::map<std::string, std::string> Without(std::map<std::string, std::string> tags,
                                           std::initializer_list<const char*> keys) {
  for (const char* k : keys) tags.erase(k);
  return tags;
}

}  // namespace

TEST(JpegMetadata, KeepAllRestatesSizeAndOrientationAndLeavesEverythingElse) {
  for (bool little : {true, false}) {
    const TPixMarkerList source = CameraMarkers(little);
    TMetadataReport report;
    const TPixMarkerList out = RewriteJpegMarkers(source, Target(mdKeepAll), &report);
    ASSERT_EQ(Codes(out), Codes(source));
    EXPECT_EQ(report.Rewritten, 2);  // the EXIF and the XMP block
    EXPECT_EQ(report.Kept, source.Count() - 2);
    const int xmpAt = source.Count() - 4;
    for (int i = 1; i < out.Count(); ++i)
      EXPECT_TRUE(i == xmpAt || out.Marker(i) == source.Marker(i)) << i;  // all but the XMP block

    // The EXIF keeps its layout: only the three values differ.
    const Bytes before = PayloadOf(source, 0), after = PayloadOf(out, 0);
    ASSERT_EQ(after.size(), before.size());
    const auto tags = ExifTags(after);
    EXPECT_EQ(tags.at("Exif.Image.Orientation"), "1");
    EXPECT_EQ(tags.at("Exif.Photo.PixelXDimension"), "240");
    EXPECT_EQ(tags.at("Exif.Photo.PixelYDimension"), "320");
    const std::initializer_list<const char*> restated = {"Exif.Image.Orientation", "Exif.Photo.PixelXDimension",
                                                         "Exif.Photo.PixelYDimension"};
    EXPECT_EQ(Without(tags, restated), Without(ExifTags(before), restated));
    TExifFields ours;
    ASSERT_TRUE(ParseExifBlock(after.data(), after.size(), ours));
    EXPECT_EQ(ours.ExifOrientation, 1);

    const auto xmp = XmpProperties(PayloadOf(out, xmpAt));
    EXPECT_EQ(xmp.at("Xmp.tiff.Orientation"), "1");
    EXPECT_EQ(xmp.at("Xmp.exif.PixelXDimension"), "240");
    EXPECT_EQ(xmp.at("Xmp.dc.creator"), "Ann");
  }
}

TEST(JpegMetadata, KeepAllIsByteIdenticalWhenThereIsNothingToRestate) {
  const TPixMarkerList source = CameraMarkers(true);
  EXPECT_EQ(RewriteJpegMarkers(source, Target(mdKeepAll, 0, 0, 0)), source);
  // Upright already, no size tags: nothing changes either.
  TPixMarkerList plain;
  Add(plain, 0xE1, jpegtest::ExifPayload(false, {{0x010F, 2, {}, "Pixfold"}, {0x0112, 3, {1}, ""}}));
  Add(plain, 0xE1, jpegtest::ExifPayload(true, {{0x010F, 2, {}, "no orientation"}}));
  Add(plain, 0xFE, Text("x"));
  EXPECT_EQ(RewriteJpegMarkers(plain, Target(mdKeepAll)), plain);
  // A missing tag is only added for a value other than 1.
  TMetadataTarget turned = Target(mdKeepAll, 0, 0, 8);
  const TPixMarkerList out = RewriteJpegMarkers(plain, turned);
  EXPECT_EQ(ExifTags(PayloadOf(out, 0)).at("Exif.Image.Orientation"), "8");
  EXPECT_EQ(out.Marker(1), plain.Marker(1));  // only the first EXIF block is read by viewers
}

TEST(JpegMetadata, CompactKeepsWhatAViewerShowsAndDropsTheRest) {
  for (bool little : {true, false}) {
    const TPixMarkerList source = CameraMarkers(little);
    TMetadataReport report;
    TMetadataTarget target = Target(mdCompact);
    target.ProfileConverted = true;
    const TPixMarkerList out = RewriteJpegMarkers(source, target, &report);
    ASSERT_EQ(Codes(out), (std::vector<uint8_t>{0xE1, 0xED, 0xFE}));
    EXPECT_EQ(report.Dropped, source.Count() - 3);
    EXPECT_EQ(out.Marker(2), source.Marker(source.Count() - 2));  // the comment

    const auto tags = ExifTags(PayloadOf(out, 0));
    for (const char* kept : {"Exif.Image.Make", "Exif.Image.Model", "Exif.Image.DateTime", "Exif.Image.XResolution",
                             "Exif.Image.ImageDescription", "Exif.Image.Copyright", "Exif.Photo.DateTimeOriginal",
                             "Exif.Photo.ExposureTime", "Exif.Photo.FNumber", "Exif.Photo.ISOSpeedRatings",
                             "Exif.Photo.FocalLength"})
      EXPECT_EQ(tags.count(kept), 1u) << kept;
    EXPECT_EQ(tags.at("Exif.Image.Make"), "Pixfold");
    EXPECT_EQ(tags.at("Exif.Image.Orientation"), "1");
    EXPECT_EQ(tags.at("Exif.Photo.PixelXDimension"), "240");
    EXPECT_EQ(tags.at("Exif.Photo.ColorSpace"), "1");  // the pixels were converted to sRGB
    for (const auto& [key, value] : tags) {
      EXPECT_EQ(key.find("GPS"), std::string::npos) << key;
      EXPECT_EQ(key.find("Thumbnail"), std::string::npos) << key;
      EXPECT_EQ(key.find("MakerNote"), std::string::npos) << key;
    }
    for (const char* dropped : {"Exif.Photo.BodySerialNumber", "Exif.Photo.UserComment", "Exif.Image.Software",
                                "Exif.Photo.0xc0de"})
      EXPECT_EQ(tags.count(dropped), 0u) << dropped;
    EXPECT_LT(out.MarkerLength(0), 700);

    // Only the IPTC resource of the Photoshop block is left.
    const Bytes photoshop = PayloadOf(out, 1);
    Bytes expected = Text(std::string("Photoshop 3.0", 14));
    const Bytes iptc = Resource(0x0404, kIptcRecords);
    expected.insert(expected.end(), iptc.begin(), iptc.end());
    EXPECT_EQ(photoshop, expected);
  }
}

TEST(JpegMetadata, CompactLeavesOutBlocksWithNothingToKeep) {
  TPixMarkerList source;
  Add(source, 0xED, PhotoshopBlock(false));
  Add(source, 0xE1, jpegtest::ExifPayload(true, {{0x0131, 2, {}, "Firmware"}}, {}, {}, {{0x0001, 2, {}, "N"}}));
  EXPECT_EQ(RewriteJpegMarkers(source, Target(mdCompact)).Count(), 0);
}

TEST(JpegMetadata, StripWritesNothingAndThePrepareHookStopsTheIptcBlock) {
  EXPECT_EQ(RewriteJpegMarkers(CameraMarkers(true), Target(mdStrip)).Count(), 0);
  for (TMetadataMode mode : {mdKeepAll, mdCompact, mdStrip}) {
    TIOParams params;
    params.MarkerList().Assign(CameraMarkers(true));
    params.IptcInfo().Clear();  // as after a load of a file without IPTC: the save would add an empty block
    TMetadataReport report;
    PrepareJpegMetadata(params, Target(mode), &report);
    EXPECT_EQ(params.IptcInfo().IptcChanged, mode == mdKeepAll) << mode;
    EXPECT_EQ(params.MarkerList(), RewriteJpegMarkers(CameraMarkers(true), Target(mode))) << mode;
  }
  TIOParams params;
  const uint8_t caption[] = {'h', 'i'};
  params.IptcInfo().Add(2, 120, caption, 2);
  PrepareJpegMetadata(params, Target(mdCompact));
  EXPECT_TRUE(params.IptcInfo().IptcChanged);  // records of its own are still written
}

TEST(JpegMetadata, HostileBlocksAreDroppedOrKeptAsTheyCameNeverThrown) {
  const Bytes exif = CameraExif(true);
  // Every truncation and many corruptions of the EXIF block, in every mode.
  for (std::size_t n = 0; n <= exif.size(); n += 7)
    for (TMetadataMode mode : {mdKeepAll, mdCompact, mdStrip}) {
      TPixMarkerList list;
      Add(list, 0xE1, Bytes(exif.begin(), exif.begin() + n));
      EXPECT_NO_THROW(RewriteJpegMarkers(list, Target(mode)));
    }
  for (std::size_t i = 6; i < exif.size(); i += 3)
    for (uint8_t value : {0x00, 0x80, 0xFF}) {
      Bytes bad = exif;
      bad[i] = value;
      TPixMarkerList list;
      Add(list, 0xE1, bad);
      for (TMetadataMode mode : {mdKeepAll, mdCompact}) {
        TMetadataReport report;
        EXPECT_NO_THROW(RewriteJpegMarkers(list, Target(mode), &report));
        EXPECT_EQ(report.Kept + report.Rewritten + report.Dropped, 1);
      }
    }

  // 200 entries claiming the same 60000 bytes: refused before exiv2 copies
  // 12 MB out of a 60 KB block.
  std::vector<TTag> many;
  for (uint16_t t = 0; t < 200; ++t)
    many.push_back({static_cast<uint16_t>(0xC000 + t), 7, {}, t == 0 ? std::string(60000, 'x') : ""});
  Bytes amplified = jpegtest::ExifPayload(true, many);
  const std::size_t entries = 6 + 8 + 2;  // "Exif", TIFF header, entry count
  for (std::size_t k = 1; k < 200; ++k) {
    const std::size_t at = entries + 12 * k;
    amplified[at + 4] = 0x60, amplified[at + 5] = 0xEA;  // count 60000
    std::copy(amplified.begin() + entries + 8, amplified.begin() + entries + 12, amplified.begin() + at + 8);
  }
  TPixMarkerList list;
  Add(list, 0xE1, amplified);
  Add(list, 0xE1, XmpBlock(6, 1, 1));
  Bytes doctype = Text(std::string("http://ns.adobe.com/xap/1.0/", 29) +
                       "<!DOCTYPE x [<!ENTITY a \"aaaaaaaa\">]><x>&a;&a; Orientation</x>");
  Add(list, 0xE1, doctype);
  Bytes brokenPhotoshop = PhotoshopBlock();
  brokenPhotoshop.resize(40);
  Add(list, 0xED, brokenPhotoshop);
  TMetadataReport report;
  const TPixMarkerList kept = RewriteJpegMarkers(list, Target(mdKeepAll), &report);
  EXPECT_EQ(report.Refused, 2);  // the amplifying EXIF and the DOCTYPE packet
  EXPECT_EQ(kept.Marker(0), list.Marker(0));
  EXPECT_EQ(kept.Marker(2), list.Marker(2));
  const TPixMarkerList compact = RewriteJpegMarkers(list, Target(mdCompact), &report);
  EXPECT_EQ(compact.Count(), 0);
  EXPECT_GE(report.Refused, 1);
}

TEST(JpegMetadata, ThreadsRewritingAtOnceGetWhatOneThreadGets) {
  const TPixMarkerList source = CameraMarkers(false);
  TPixMarkerList expected[3];
  for (int mode = 0; mode < 3; ++mode) expected[mode] = RewriteJpegMarkers(source, Target(TMetadataMode(mode)));
  std::vector<std::thread> threads;
  std::atomic<int> mismatches{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 20; ++i) {
        const int mode = (t + i) % 3;
        if (!(RewriteJpegMarkers(source, Target(TMetadataMode(mode))) == expected[mode])) ++mismatches;
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(mismatches.load(), 0);
}
