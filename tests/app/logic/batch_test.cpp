// The batch command's Qt-free parts: options, settings assembly, file lists
// and slices, report lines and progress text.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "app/logic/batch_files.h"
#include "app/logic/batch_options.h"
#include "app/logic/batch_progress.h"
#include "app/logic/batch_report.h"
#include "app/logic/batch_settings.h"
#include "app/logic/conversion_run.h"
#include "app/logic/paths.h"
#include "support/test_support.h"

using namespace pix;

namespace {

TBatchParse Parse(std::vector<std::string> args) { return ParseBatchCommandLine(args); }

ConversionSettings Assemble(std::vector<std::string> args) {
  const TBatchParse p = Parse(std::move(args));
  EXPECT_FALSE(p.Done) << p.Error;
  const TBatchSettings s = AssembleBatchSettings(p.Options, "");
  EXPECT_TRUE(s.Ok) << s.Error;
  return s.Settings;
}

}  // namespace

TEST(BatchOptions, UsageErrorsAreStatusTwoAndNameTheProblem) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
      {{"--quality", "11", "a", "b"}, "--quality"},
      {{"--rotate", "up", "a", "b"}, "--rotate"},
      {{"--preset", "9", "a", "b"}, "--preset"},
      {{"--size", "12", "a", "b"}, "--size"},
      {{"--types", "jpg,doc", "a", "b"}, "doc"},
      {{"--shard", "3/2", "a", "b"}, "--shard"},
      {{"--existing", "ask", "a", "b"}, "--existing"},
      {{"--settings", "x.ini", "--use-saved-settings", "a", "b"}, "excludes"},
      {{"--preset", "1", "--size", "10x10", "a", "b"}, "--size"},
      {{"--files-from", "l", "a", "b"}, "DESTINATION"},
      {{"--source-root", "r", "a", "b"}, "--files-from"},
      {{"--bogus", "a", "b"}, "--bogus"},
      {{"a", "b", "c"}, ""},
  };
  for (const auto& [args, word] : bad) {
    const TBatchParse p = Parse(args);
    SCOPED_TRACE(args[0]);
    EXPECT_TRUE(p.Done);
    EXPECT_EQ(p.ExitStatus, 2);
    EXPECT_NE(p.Error.find(word), std::string::npos) << p.Error;
  }
  const TBatchParse help = Parse({"--help"});
  EXPECT_TRUE(help.Done);
  EXPECT_EQ(help.ExitStatus, 0);
  EXPECT_NE(help.Output.find("--files-from"), std::string::npos);
  EXPECT_NE(Parse({"--version"}).Output.find("pixfold-batch "), std::string::npos);
}

TEST(BatchOptions, WordsUsersTypeMapToTheirSwitches) {
  TSourceTypes t;
  for (const char* word : {"JPEG", ".tif", "pcx", "TGA", "pnm", "ico", "cur", "wmf", "emf", "heic", "avif", "WEBP"})
    EXPECT_TRUE(AddSourceType(word, t)) << word;
  EXPECT_TRUE(t.Jpg && t.Tiff && t.Other && t.Heif);
  EXPECT_FALSE(t.Gif || t.Bmp || t.Png);
  EXPECT_FALSE(AddSourceType("txt", t));

  EXPECT_EQ(ParseSizeText("640x480"), std::make_pair(640, 480));
  EXPECT_EQ(ParseSizeText("1X2"), std::make_pair(1, 2));
  for (const char* text : {"0x5", "5x", "x5", "-3x4", "3x4x", "100000000x1", " 3x4"})
    EXPECT_FALSE(ParseSizeText(text)) << text;
  EXPECT_EQ(ParseShardText("2/5"), std::make_pair(2, 5));
  for (const char* text : {"0/3", "4/3", "1/0", "1", "a/b", "1/2/3"}) EXPECT_FALSE(ParseShardText(text)) << text;
}

TEST(BatchSettings, DefaultsAreTheWindowsFirstStartAndOptionsOverride) {
  const ConversionSettings d = Assemble({"in", "out"});
  EXPECT_EQ(d.Source, "in");
  EXPECT_EQ(d.Destination, "out");
  EXPECT_EQ(d.SizeCategory, 0);
  EXPECT_EQ(d.MaxWidth, 240);
  EXPECT_EQ(d.MaxHeight, 320);
  EXPECT_EQ(d.Rotation, kRotation90Left);
  EXPECT_EQ(d.JPGQuality, 7);
  EXPECT_TRUE(d.ConvertToJPG && d.Recursive && d.AutoOrient && d.ConvertHEIF);

  const ConversionSettings o =
      Assemble({"--size", "100x50", "--gray", "--rotate", "right", "--landscape-only", "--quality", "3", "--types",
                "png,bmp", "--keep-type", "--no-recursive", "--no-auto-orient", "--metadata", "strip", "--jobs", "3",
                "in", "out"});
  EXPECT_EQ(o.SizeCategory, kUserDefinedSize);
  EXPECT_EQ(o.MaxWidth, 100);
  EXPECT_EQ(o.MaxHeight, 50);
  EXPECT_TRUE(o.ConvertToGrayscale && o.LandscapeOnly && o.ConvertPNG && o.ConvertBMP);
  EXPECT_FALSE(o.ConvertJPG || o.ConvertGIF || o.ConvertTIFF || o.ConvertOther || o.ConvertHEIF);
  EXPECT_EQ(o.Rotation, kRotation90Right);
  EXPECT_EQ(o.JPGQuality, 3);
  EXPECT_FALSE(o.ConvertToJPG || o.Recursive || o.AutoOrient);
  EXPECT_EQ(o.Metadata, kMetadataStrip);
  EXPECT_EQ(o.Threads, 3);

  EXPECT_EQ(Assemble({"--preset", "palm zire (160x160)", "a", "b"}).MaxWidth, 160);
  EXPECT_EQ(Assemble({"--preset", "3", "a", "b"}).MaxWidth, 208);
}

TEST(BatchSettings, AFileIsReadByTheWindowsRulesAndTheCommandLineWins) {
  pixtest::TempDir dir;
  const std::string ini = dir.File("s.ini");
  pixtest::WriteFile(ini, "[Settings]\nSource=/from/file\nDestination=/to/file\nSizeCategory=2\nMaxWidth=1000\n"
                          "JPGQuality=15\nRotation=7\nConvertGIF=0\n");
  const ConversionSettings f = Assemble({"--settings", ini});
  EXPECT_EQ(f.Source, "/from/file");
  EXPECT_EQ(f.Destination, "/to/file");
  EXPECT_EQ(f.MaxWidth, 160);  // the preset overrides the stored size
  EXPECT_EQ(f.JPGQuality, 10);
  EXPECT_EQ(f.Rotation, kRotationNone);
  EXPECT_FALSE(f.ConvertGIF);

  const ConversionSettings o = Assemble({"--settings", ini, "--preset", "user", "--quality", "2", "x", "y"});
  EXPECT_EQ(o.Source, "x");
  EXPECT_EQ(o.MaxWidth, 1000);
  EXPECT_EQ(o.JPGQuality, 2);

  const TBatchParse missing = Parse({"--settings", dir.File("none.ini"), "a", "b"});
  EXPECT_FALSE(AssembleBatchSettings(missing.Options, "").Ok);
  for (std::vector<std::string> args : {std::vector<std::string>{"only-one"}, {}, {" ", "b"}}) {
    const TBatchSettings s = AssembleBatchSettings(Parse(args).Options, "");
    EXPECT_FALSE(s.Ok);
    EXPECT_FALSE(s.Error.empty());
  }
  // With a list, the one folder is the destination and the root the source.
  const ConversionSettings l = Assemble({"--files-from", "-", "--source-root", "/r", "dest"});
  EXPECT_EQ(l.Source, "/r");
  EXPECT_EQ(l.Destination, "dest");
}

TEST(BatchFiles, ListedPathsFindTheirPlaceUnderTheRoot) {
  pixtest::TempDir dir;
  const std::string root = dir.Path().string();
  std::istringstream in("a/b/one.jpg\r\n\n" + root + "/two.PNG\n./a//three.gif\na/b/one.jpg\nnotes.txt\n");
  const TFileList list = ReadFileList(in, root, TScanOptions{});
  ASSERT_TRUE(list.Ok) << list.Error;
  ASSERT_EQ(list.Rows.size(), 3u);
  EXPECT_EQ(list.Rows[0].Subfolder, "a/b");
  EXPECT_EQ(list.Rows[0].File, "one.jpg");
  EXPECT_EQ(list.Rows[1].Subfolder, "");
  EXPECT_EQ(list.Rows[1].File, "two.PNG");
  EXPECT_EQ(list.Rows[2].Subfolder, "a");
  EXPECT_EQ(list.LeftOut, 1);

  for (const std::string& line : {std::string("/elsewhere/x.jpg"), std::string("../x.jpg"), root + "/../x.jpg"}) {
    std::istringstream refused("ok.jpg\n" + line + "\n");
    const TFileList r = ReadFileList(refused, root, TScanOptions{});
    EXPECT_FALSE(r.Ok) << line;
    EXPECT_NE(r.Error.find("line 2"), std::string::npos) << r.Error;
  }
}

TEST(BatchFiles, NamesThatCanMeetShareASlice) {
  // pic.bmp and pic.jpg both become pic.jpg; the second moves to pic_1.jpg,
  // which a source of that name would also want.
  const std::string key = ShardKey({"2004", "pic.bmp"});
  for (const char* name : {"pic.jpg", "pic_1.jpg", "PIC.JPG", "pic_1_2.png", "pic"})
    EXPECT_EQ(ShardKey({"2004", name}), key) << name;
  EXPECT_NE(ShardKey({"2005", "pic.jpg"}), key);
  EXPECT_NE(ShardKey({"2004", "pic2.jpg"}), key);
  EXPECT_NE(ShardKey({"2004", "pic_a.jpg"}), key);
  // Pinned: machines of any kind must agree.
  EXPECT_EQ(ShardHash(""), 0xcbf29ce484222325ULL);
  EXPECT_EQ(ShardHash("a"), 0xaf63dc4c8601ec8cULL);

  std::vector<TScanRow> rows;
  for (int i = 0; i < 300; ++i) rows.push_back({"f" + std::to_string(i % 7), "p" + std::to_string(i) + ".jpg"});
  std::multiset<std::string> together;
  for (int s = 1; s <= 3; ++s) {
    const auto slice = ShardRows(rows, s, 3);
    EXPECT_GT(slice.size(), 60u);  // roughly even
    for (const TScanRow& r : slice) together.insert(r.Subfolder + "/" + r.File);
  }
  EXPECT_EQ(together.size(), rows.size());
  EXPECT_EQ(std::set<std::string>(together.begin(), together.end()).size(), rows.size());
  EXPECT_EQ(ShardRows(rows, 1, 1).size(), rows.size());
}

TEST(BatchReport, OneJsonObjectPerRowWithReasonAndSizes) {
  TRowResult row;
  row.State = TRowState::Converted;
  row.Reason = frTruncated;
  row.Source = "in/\xff" "bad.jpg";
  row.Destination = "out/a.jpg";
  row.SourceWidth = 1600;
  row.SourceHeight = 1200;
  row.Width = 240;
  row.Height = 180;
  row.Milliseconds = 12.3456789;
  const auto j = nlohmann::json::parse(ReportLine(row, false));
  EXPECT_EQ(j["status"], "converted");
  EXPECT_EQ(j["reason"], "truncated file");
  EXPECT_EQ(j["reason_code"], "truncated");
  EXPECT_EQ(j["damaged"], true);
  EXPECT_EQ(j["source"], "in/\xef\xbf\xbd" "bad.jpg");
  EXPECT_EQ(j["source_width"], 1600);
  EXPECT_EQ(j["height"], 180);
  EXPECT_DOUBLE_EQ(j["milliseconds"].get<double>(), 12.346);
  EXPECT_FALSE(j.contains("dry_run"));

  row = TRowResult{};
  row.State = TRowState::Failed;
  row.Reason = frDestinationExists;
  const auto f = nlohmann::json::parse(ReportLine(row, true));
  EXPECT_EQ(f["reason_code"], "destination_exists");
  EXPECT_EQ(f["dry_run"], true);
  for (int r = 1; r < kFailureReasonCount; ++r)
    EXPECT_STRNE(ReasonCode(static_cast<TFailureReason>(r)), "") << r;
}

TEST(BatchProgress, TheBarFitsAndCountsDown) {
  EXPECT_EQ(FormatDuration(0), "0:00");
  EXPECT_EQ(FormatDuration(65.2), "1:06");
  EXPECT_EQ(FormatDuration(3600 * 2 + 5), "2:00:05");
  const std::string start = FormatProgressLine(0, 5000, 0, 0, 0, 80);
  EXPECT_EQ(start.size(), 80u);
  EXPECT_NE(start.find("0/5000  0 failed  --:-- left"), std::string::npos);
  const std::string half = FormatProgressLine(2500, 5000, 3, 1, 30, 80);
  EXPECT_NE(half.find("2500/5000  3 failed, 1 damaged  0:30 left"), std::string::npos) << half;
  EXPECT_EQ(FormatProgressLine(10, 10, 0, 0, 1, 60).find('>'), std::string::npos);

  // Off a terminal: a line per failed row and the summary, no bar.
  std::ostringstream err;
  TProgressView view(err, false, 80, false, 2);
  TRowResult ok;
  ok.State = TRowState::Converted;
  TRowResult bad;
  bad.State = TRowState::Failed;
  bad.Reason = frCorruptData;
  bad.Source = "in/x.jpg";
  view.RowFinished(ok);
  view.RowFinished(bad);
  view.Finish("1 converted, 1 failed, 0 skipped");
  EXPECT_EQ(err.str(), "pixfold-batch: in/x.jpg: failed: corrupt data\npixfold-batch: 1 converted, 1 failed, 0 skipped\n");
}
