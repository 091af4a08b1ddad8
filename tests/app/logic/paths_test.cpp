#include <gtest/gtest.h>

#include "app/logic/paths.h"
#include "app/logic/text_case.h"

using namespace pix;

TEST(PathHelpers, AddTrailingDelimiterTrimsBlanksAndControlsOnly) {
  EXPECT_EQ(AddTrailingDelimiter("/Pics"), "/Pics/");
  EXPECT_EQ(AddTrailingDelimiter("/Pics/"), "/Pics/");
  EXPECT_EQ(AddTrailingDelimiter(" \t/Pics \r\n"), "/Pics/");
  EXPECT_EQ(AddTrailingDelimiter("   "), "/");
  EXPECT_EQ(AddTrailingDelimiter(""), "/");
  EXPECT_EQ(AddTrailingDelimiter("/Fotos \xC3\xA9"), "/Fotos \xC3\xA9/");  // bytes above 127 are not blanks
  EXPECT_EQ(AddTrailingDelimiter("/a//"), "/a//");
}

TEST(PathHelpers, RemoveTrailingDelimiterAndStripPrefix) {
  EXPECT_EQ(RemoveTrailingDelimiter("/a/b//"), "/a/b/");
  EXPECT_EQ(RemoveTrailingDelimiter(" /a "), " /a ");
  EXPECT_EQ(StripPrefix("/src/sub/x.jpg", "/src/"), "sub/x.jpg");
  EXPECT_EQ(StripPrefix("/other/x.jpg", "/src/"), "/other/x.jpg");
  EXPECT_EQ(StripPrefix("/sr", "/src/"), "/sr");
}

TEST(PathHelpers, ExtensionsBelongToTheFileNamePart) {
  EXPECT_EQ(LowerExtension("/a/Photo.JPG"), "jpg");
  EXPECT_EQ(LowerExtension("/a/Photo.tar.GZ"), "gz");
  EXPECT_EQ(LowerExtension("/a.b/Photo"), "");
  EXPECT_EQ(LowerExtension("/a/\xC3\x89T\xC3\x89.\xC3\x89"), "\xC3\xA9");  // É -> é
  EXPECT_EQ(PathWithoutExtension("/a/Photo.JPG"), "/a/Photo");
  EXPECT_EQ(PathWithoutExtension("/a.b/Photo"), "/a.b/Photo");
  EXPECT_EQ(PathWithoutExtension("/a/Photo."), "/a/Photo");
  EXPECT_EQ(JpegNameFor("/out/Pic.BMP"), "/out/Pic.jpg");
  EXPECT_EQ(JpegNameFor("/out.d/Pic"), "/out.d/Pic.jpg");
}

TEST(PathHelpers, ComposedPathsTrimOnlyTheUsersText) {
  EXPECT_EQ(ComposeFilePath("/Pics", "", "a.jpg"), "/Pics/a.jpg");
  EXPECT_EQ(ComposeFilePath(" /Pics/ ", "Sub/Deeper", "a.jpg"), "/Pics/Sub/Deeper/a.jpg");
  // Folder names found on disk keep their blanks.
  EXPECT_EQ(ComposeFilePath("/Pics", " trip ", "a.jpg"), "/Pics/ trip /a.jpg");
  EXPECT_EQ(ComposeFolderPath("  ", ""), "/");
}

TEST(TextCase, MapsUnicodeLettersAndKeepsInvalidBytes) {
  EXPECT_EQ(UpperCase("photo.jpeg"), "PHOTO.JPEG");
  EXPECT_EQ(UpperCase("\xC3\xA9t\xC3\xA9"), "\xC3\x89T\xC3\x89");
  EXPECT_EQ(LowerCase("\xC4\x9E"), "\xC4\x9F");  // Ğ -> ğ
  EXPECT_EQ(UpperCase("a\xFF" "b\xC3"), "A\xFF" "B\xC3");
  EXPECT_EQ(UpperCase(std::string("a\0b", 3)), std::string("A\0B", 3));
}
