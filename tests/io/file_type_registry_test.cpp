#include <gtest/gtest.h>

#include "io/file_type_registry.h"

using namespace pix;

TEST(FileTypeRegistry, FifteenBuiltInTypesInCodeOrderWithoutEntries) {
  const TPixFileTypes types;
  ASSERT_EQ(types.Count(), 15);
  for (int i = 0; i < types.Count(); ++i) {
    const TPixFileTypeInfo& t = types.Item(i);
    EXPECT_EQ(t.FileType, i + 1);
    EXPECT_FALSE(t.ReadFunction);
    EXPECT_FALSE(t.WriteFunction);
    EXPECT_FALSE(t.TestFunction);
  }
  EXPECT_EQ(types.Item(1).Description, "CompuServe Bitmap");
  EXPECT_EQ(types.Item(10).Extensions, "TGA;TARGA;VDA;ICB;VST;PIX");
  EXPECT_EQ(types.Item(11).Description, "Portable Pixmap, GreyMap, BitMap");
  EXPECT_EQ(types.Item(11).Extensions, "PXM;PPM;PGM;PBM;PNM");
  EXPECT_EQ(types.Item(12).Extensions, "HEIC;HEIF;HIF");
  EXPECT_EQ(types.Item(13).Extensions, "AVIF");
  EXPECT_EQ(types.Item(14).Extensions, "WEBP");
}

TEST(FileTypeRegistry, LookupsByExtensionAndCode) {
  TPixFileTypes types;
  const struct {
    const char* Extension;
    int FileType;  // 0 = not found
  } cases[] = {{"jpe", 3},   {"JPEG", 3},  {".Tif", 1},  {"tiff", 1}, {"pix", 11}, {"PBM", 12}, {"pnm", 12},
               {"rle", 5},   {"emf", 10},  {"hif", 13},  {".HEIF", 13}, {"avif", 14}, {"WebP", 15},
               {"win", 0},   {"jfif", 0},  {"", 0},      {".", 0},    {"jp", 0},   {"tga;", 0}};
  for (const auto& c : cases) {
    const TPixFileTypeInfo* t = types.FindByExtension(c.Extension);
    if (c.FileType == 0)
      EXPECT_EQ(t, nullptr) << c.Extension;
    else
      EXPECT_EQ(t ? t->FileType : -1, c.FileType) << c.Extension;
  }
  ASSERT_NE(types.FindByType(8), nullptr);
  EXPECT_EQ(types.FindByType(8)->Description, "Portable Network Graphics");
  EXPECT_EQ(types.FindByType(0), nullptr);
  EXPECT_EQ(types.FindByType(16), nullptr);
}

TEST(FileTypeRegistry, AddedTypesKeepCodeOrderAndShortTexts) {
  TPixFileTypes types;
  types.Add({20, std::string(100, 'd'), "XYZ;JPG", {}, {}, {}});
  types.Add({0, "Zero", "ABC;TGA", {}, {}, {}});
  ASSERT_EQ(types.Count(), 17);
  EXPECT_EQ(types.Item(0).FileType, 0);
  EXPECT_EQ(types.Item(16).Description.size(), kMaxFileTypeText);
  // The first entry in code order wins: JPG stays with code 3, TGA moves to 0.
  EXPECT_EQ(types.FindByExtension("jpg")->FileType, 3);
  EXPECT_EQ(types.FindByExtension("xyz")->FileType, 20);
  EXPECT_EQ(types.FindByExtension("tga")->FileType, 0);
}

TEST(FileTypeRegistry, ExtensionOfTheFileNamePart) {
  EXPECT_EQ(LowerFileExtension("/photos/2004/IMG_1.JPG"), "jpg");
  EXPECT_EQ(LowerFileExtension("a.b.Tiff"), "tiff");
  EXPECT_EQ(LowerFileExtension("/trip.2004/readme"), "");
  EXPECT_EQ(LowerFileExtension("C:\\trip.2004\\readme"), "");
  EXPECT_EQ(LowerFileExtension("file."), "");
  EXPECT_EQ(LowerFileExtension(""), "");
}
