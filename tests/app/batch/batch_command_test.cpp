// pixfold-batch end to end: the real executable on albums written by our own
// writers, beside the real window where it is built.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "app/album_fixtures.h"
#include "app/logic/safe_output.h"

extern char** environ;

using namespace albumtest;
namespace fs = std::filesystem;

namespace {

struct Ran {
  int Status = -1;  // exit code, or 128 + the signal that ended it
  std::string Out, Err;
};

// Starts a program with its standard streams on files of dir; env entries
// ("NAME=value") are added to this process's environment.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args, const pixtest::TempDir& dir,
            const std::vector<std::string>& env = {}, const std::string& cwd = "") {
  std::vector<std::string> argStrings = {program};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argStrings) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStrings = env;
  for (char** e = environ; *e; ++e) envStrings.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!fs::exists(dir.File("stdin"))) pixtest::WriteFile(dir.File("stdin"), "");
  posix_spawn_file_actions_addopen(&actions, 0, dir.File("stdin").c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, dir.File("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, dir.File("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = -1;
  const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

Ran Wait(pid_t pid, const pixtest::TempDir& dir) {
  Ran ran;
  int status = 0;
  if (pid <= 0 || waitpid(pid, &status, 0) != pid) return ran;
  ran.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  ran.Out = pixtest::ReadFile(dir.File("stdout"));
  ran.Err = pixtest::ReadFile(dir.File("stderr"));
  return ran;
}

Ran Batch(const std::vector<std::string>& args, const std::string& input = "", const std::string& cwd = "") {
  pixtest::TempDir io;
  pixtest::WriteFile(io.File("stdin"), input);
  return Wait(Spawn(PIXFOLD_BATCH_BINARY, args, io, {}, cwd), io);
}

// Every file under a folder, by its relative path, with its bytes.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  if (!fs::exists(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), root).string()] = pixtest::ReadFile(entry.path().string());
  return files;
}

std::vector<nlohmann::json> ReportOf(const std::string& path) {
  std::vector<nlohmann::json> rows;
  std::istringstream in(pixtest::ReadFile(path));
  for (std::string line; std::getline(in, line);) rows.push_back(nlohmann::json::parse(line));
  return rows;
}

class BatchCommand : public ::testing::Test {
protected:
  BatchCommand() : m_source(m_tree.Path() / "album") {}

  std::string Src(const std::string& relative) const { return (m_source / relative).string(); }
  std::string Out(const std::string& name) const { return (m_tree.Path() / name).string(); }

  // Photos in two folders, a BMP and a GIF, a corrupt JPEG, a truncated one
  // that still loads, and two sources (pic.bmp, pic.jpg) that meet at one
  // JPEG name beside a third (pic_1.jpg) that its free name would take.
  void WriteAlbum() {
    WriteJpeg(Src("wide.jpg"), 1600, 1200);
    WriteJpeg(Src("small.jpg"), 100, 80);
    WriteJpeg(Src("square.jpg"), 600, 600);
    WriteJpeg(Src("tall.jpg"), 1000, 3000);
    WriteJpeg(Src("pic.jpg"), 300, 200);
    WriteJpeg(Src("pic_1.jpg"), 200, 300);
    WriteBmp(Src("pic.bmp"), 320, 240);
    WriteBmp(Src("2004/May/Pic.BMP"), 1600, 1200);
    WriteGif(Src("2004/anim.gif"), 320, 200);
    WriteJpeg(Src("2004/gray.jpg"), 640, 480, 80, 1);
    pixtest::WriteFile(Src("2004/corrupt.jpg"), "\xFF\xD8\xFF\xE0\x00\x10JFIF and then nothing sensible");
    WriteJpeg(Src("2004/cut.jpg"), 400, 300);
    const std::string whole = pixtest::ReadFile(Src("2004/cut.jpg"));
    pixtest::WriteFile(Src("2004/cut.jpg"), whole.substr(0, whole.size() * 2 / 3));
    pixtest::WriteFile(Src("notes.txt"), "not a picture");
  }

  void WriteGoodAlbum() {
    WriteJpeg(Src("a.jpg"), 640, 480);
    WriteJpeg(Src("sub/b.jpg"), 300, 400);
    WriteBmp(Src("c.bmp"), 200, 100);
  }

  pixtest::TempDir m_tree;
  fs::path m_source;
};

}  // namespace

TEST(BatchExecutable, LinksNoQt) {
  FILE* pipe = popen((std::string("ldd ") + PIXFOLD_BATCH_BINARY + " 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string libraries;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe)) libraries += buffer;
  pclose(pipe);
  EXPECT_NE(libraries.find("libc.so"), std::string::npos) << libraries;
  EXPECT_EQ(libraries.find("Qt"), std::string::npos) << libraries;
}

#ifdef PIXFOLD_BINARY
// The window headless ("/START /OVERWRITE") and the command with the same
// settings file and "--existing replace" write the same bytes.
TEST_F(BatchCommand, WritesWhatTheWindowWritesByteForByte) {
  WriteAlbum();
  const std::vector<std::string> variants = {
      "Rotation=1\nLandscapeOnly=1\nConvertToJPG=1\nSizeCategory=0\nJPGQuality=7\n",
      "Rotation=0\nConvertToJPG=0\nConvertToGrayscale=1\nSizeCategory=4\nMaxWidth=300\nMaxHeight=90\nJPGQuality=3\n",
      "Rotation=2\nConvertToJPG=1\nSizeCategory=2\nJPGQuality=10\nMetadata=2\nAutoOrient=0\nConvertBMP=0\n",
  };
  for (size_t v = 0; v < variants.size(); ++v) {
    SCOPED_TRACE(variants[v]);
    const fs::path window = m_tree.Path() / ("window" + std::to_string(v));
    const fs::path batch = m_tree.Path() / ("batch" + std::to_string(v));
    pixtest::TempDir config;
    const std::string settings = "[Settings]\nSource=" + m_source.string() + "\nDestination=" + window.string() +
                                 "\nRecursive=1\n" + variants[v];
    pixtest::WriteFile(config.File("Snapcrate.ini"), settings);
    const std::string ini = Out("settings" + std::to_string(v) + ".ini");
    pixtest::WriteFile(ini, settings);

    pixtest::TempDir io;
    const Ran win = Wait(Spawn(PIXFOLD_BINARY, {"/START", "/OVERWRITE"}, io,
                               {"XDG_CONFIG_HOME=" + config.Path().string(), "QT_QPA_PLATFORM=offscreen"}),
                         io);
    const Ran cmd = Batch({"--settings", ini, "--existing", "replace", "--quiet", m_source.string(), batch.string()});
    EXPECT_EQ(cmd.Status, win.Status) << win.Err << cmd.Err;
    const auto expected = Tree(window);
    const auto got = Tree(batch);
    EXPECT_GE(expected.size(), 8u);
    ASSERT_EQ(got.size(), expected.size());
    for (const auto& [name, bytes] : expected) {
      ASSERT_TRUE(got.count(name)) << name;
      EXPECT_TRUE(got.at(name) == bytes) << name << " differs";
    }
  }
}
#endif

TEST_F(BatchCommand, ExitStatusTellsWhatHappened) {
  WriteGoodAlbum();
  const Ran ok = Batch({m_source.string(), Out("ok")});
  EXPECT_EQ(ok.Status, 0) << ok.Err;
  EXPECT_NE(ok.Err.find("3 converted, 0 failed, 0 skipped"), std::string::npos) << ok.Err;
  // A second run skips everything it wrote: still a success.
  const Ran again = Batch({"--quiet", m_source.string(), Out("ok")});
  EXPECT_EQ(again.Status, 0);
  EXPECT_EQ(again.Err, "");

  WriteJpeg(Src("sub/cut.jpg"), 400, 300);
  const std::string whole = pixtest::ReadFile(Src("sub/cut.jpg"));
  pixtest::WriteFile(Src("sub/cut.jpg"), whole.substr(0, whole.size() / 2));
  const Ran damaged = Batch({m_source.string(), Out("damaged")});
  EXPECT_EQ(damaged.Status, 1);
  EXPECT_NE(damaged.Err.find("cut.jpg: converted from a damaged source"), std::string::npos) << damaged.Err;

  const Ran empty = Batch({(m_tree.Path() / "album/sub").string(), Out("e"), "--types", "gif"});
  EXPECT_EQ(empty.Status, 0);
  EXPECT_NE(empty.Err.find("No pictures to convert"), std::string::npos);

  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{m_source.string(), m_source.string() + "/"}, "should be different"},
      {{Out("missing"), Out("x")}, "does not exist"},
      {{"", Out("x")}, "Choose a source folder"},
      {{"--quality", "0", m_source.string(), Out("x")}, "--quality"},
      {{"--settings", Out("none.ini"), m_source.string(), Out("x")}, "settings file"},
      {{"--report", Out("no/such/folder/r.jsonl"), m_source.string(), Out("x")}, "report file"},
  };
  for (const auto& [args, message] : refused) {
    const Ran r = Batch(args);
    EXPECT_EQ(r.Status, 2) << message;
    EXPECT_NE(r.Err.find(message), std::string::npos) << r.Err;
    EXPECT_FALSE(fs::exists(Out("x")));
  }
  const Ran help = Batch({"--help"});
  EXPECT_EQ(help.Status, 0);
  EXPECT_NE(help.Out.find("--existing"), std::string::npos);
}

TEST_F(BatchCommand, ReportListsEveryFileWithItsReasonAndSizes) {
  WriteAlbum();
  const std::string report = Out("report.jsonl");
  const Ran r = Batch({"--report", report, m_source.string(), Out("out")});
  EXPECT_EQ(r.Status, 1);
  const auto rows = ReportOf(report);
  ASSERT_EQ(rows.size(), 12u);
  std::map<std::string, nlohmann::json> byName;
  for (const auto& row : rows) byName[fs::path(row["source"].get<std::string>()).filename().string()] = row;
  const auto& corrupt = byName.at("corrupt.jpg");
  EXPECT_EQ(corrupt["status"], "failed");
  EXPECT_FALSE(corrupt["reason"].is_null());
  EXPECT_FALSE(corrupt["reason_code"].get<std::string>().empty());
  EXPECT_NE(r.Err.find("corrupt.jpg: failed: " + corrupt["reason"].get<std::string>()), std::string::npos) << r.Err;
  EXPECT_EQ(byName.at("cut.jpg")["damaged"], true);
  EXPECT_EQ(byName.at("cut.jpg")["reason_code"], "truncated");
  const auto& wide = byName.at("wide.jpg");
  EXPECT_EQ(wide["status"], "converted");
  EXPECT_EQ(wide["source_width"], 1600);
  EXPECT_EQ(wide["width"], 240);
  EXPECT_EQ(wide["height"], 320);
  EXPECT_TRUE(wide["reason"].is_null());
  EXPECT_GT(wide["milliseconds"].get<double>(), 0.0);
  // pic.bmp comes first and takes pic.jpg; pic.jpg moves aside to pic_1.jpg, so pic_1.jpg moves aside too.
  EXPECT_EQ(fs::path(byName.at("pic.bmp")["destination"].get<std::string>()).filename(), "pic.jpg");
  EXPECT_EQ(byName.at("pic.jpg")["status"], "renamed");
  EXPECT_EQ(fs::path(byName.at("pic_1.jpg")["destination"].get<std::string>()).filename(), "pic_1_1.jpg");
}

TEST_F(BatchCommand, ShardsTogetherWriteTheWholeRunAndNeverMeet) {
  WriteAlbum();
  for (int i = 0; i < 24; ++i) WriteJpeg(Src("many/p" + std::to_string(i) + ".jpg"), 40 + i, 30);
  const Ran whole = Batch({"--quiet", m_source.string(), Out("whole")});
  EXPECT_EQ(whole.Status, 1);
  std::set<std::string> claimed;
  size_t total = 0;
  for (int s = 1; s <= 3; ++s) {
    const std::string report = Out("shard" + std::to_string(s) + ".jsonl");
    const Ran part = Batch({"--quiet", "--shard", std::to_string(s) + "/3", "--report", report, "--jobs", "1",
                            m_source.string(), Out("shared")});
    EXPECT_LE(part.Status, 1);
    const auto rows = ReportOf(report);
    EXPECT_GT(rows.size(), 3u);
    total += rows.size();
    for (const auto& row : rows) {
      EXPECT_NE(row["status"], "skipped");  // nothing another shard wrote was in the way
      EXPECT_TRUE(claimed.insert(row["destination"].get<std::string>()).second) << row["destination"];
    }
  }
  EXPECT_EQ(total, 12u + 24u);
  EXPECT_TRUE(Tree(m_tree.Path() / "shared") == Tree(m_tree.Path() / "whole"));
}

TEST_F(BatchCommand, ExistingDestinationsEachWay) {
  WriteGoodAlbum();
  const auto prepare = [this](const std::string& name) {
    fs::create_directories(Out(name));
    pixtest::WriteFile(Out(name) + "/a.jpg", "keep");
    return Out(name);
  };
  const std::string dry = prepare("dry");
  const Ran listed = Batch({"--dry-run", "--existing", "rename", m_source.string(), dry});
  EXPECT_EQ(listed.Status, 0);
  EXPECT_NE(listed.Out.find("rename " + Src("a.jpg") + " -> " + dry + "/a_1.jpg"), std::string::npos) << listed.Out;
  EXPECT_NE(listed.Out.find("convert " + Src("c.bmp") + " -> " + dry + "/c.jpg"), std::string::npos);
  EXPECT_EQ(Tree(dry).size(), 1u);  // nothing written

  const std::string skip = prepare("skip");
  EXPECT_EQ(Batch({m_source.string(), skip}).Status, 0);  // skip is the default
  EXPECT_EQ(pixtest::ReadFile(skip + "/a.jpg"), "keep");
  EXPECT_EQ(Tree(skip).size(), 3u);

  const std::string replace = prepare("replace");
  EXPECT_EQ(Batch({"--existing", "replace", m_source.string(), replace}).Status, 0);
  EXPECT_EQ(KindOf(replace + "/a.jpg"), FileKind::Jpeg);

  const std::string rename = prepare("rename");
  EXPECT_EQ(Batch({"--existing", "rename", m_source.string(), rename}).Status, 0);
  EXPECT_EQ(pixtest::ReadFile(rename + "/a.jpg"), "keep");
  EXPECT_EQ(KindOf(rename + "/a_1.jpg"), FileKind::Jpeg);

  const std::string fail = prepare("fail");
  const Ran failed = Batch({"--existing", "fail", "--report", "-", m_source.string(), fail});
  EXPECT_EQ(failed.Status, 1);
  EXPECT_EQ(pixtest::ReadFile(fail + "/a.jpg"), "keep");
  EXPECT_NE(failed.Out.find("\"reason_code\":\"destination_exists\""), std::string::npos) << failed.Out;
  EXPECT_EQ(Tree(fail).size(), 3u);
}

TEST_F(BatchCommand, RelativeFoldersAndListedFilesFromStandardInput) {
  WriteGoodAlbum();
  // Folders relative to the working directory, the destination not there yet.
  const Ran relative = Batch({"album", "new/out"}, "", m_tree.Path().string());
  EXPECT_EQ(relative.Status, 0) << relative.Err;
  EXPECT_EQ(Tree(m_tree.Path() / "new/out").size(), 3u);
  const Ran bare = Batch({"--files-from", "-", "bare"}, "album/c.bmp\n", m_tree.Path().string());
  EXPECT_EQ(bare.Status, 0) << bare.Err;
  EXPECT_TRUE(Tree(m_tree.Path() / "bare").count("album/c.jpg"));

  const std::string list = "sub/b.jpg\n" + Src("c.bmp") + "\n";
  const Ran r = Batch({"--files-from", "-", "--source-root", m_source.string(), Out("listed")}, list);
  EXPECT_EQ(r.Status, 0) << r.Err;
  const auto files = Tree(Out("listed"));
  EXPECT_EQ(files.size(), 2u);
  EXPECT_TRUE(files.count("sub/b.jpg") && files.count("c.jpg"));

  const Ran outside = Batch({"--files-from", "-", "--source-root", Src("sub"), Out("refused")}, list);
  EXPECT_EQ(outside.Status, 2);
  EXPECT_NE(outside.Err.find("outside the source root"), std::string::npos) << outside.Err;
  EXPECT_FALSE(fs::exists(Out("refused")));
}

// A signal in the middle: the files in flight finish, nothing more starts,
// no partial or temporary file is left, and the status says which signal.
TEST_F(BatchCommand, InterruptedRunsLeaveOnlyWholeFiles) {
  constexpr int kFiles = 120;
  for (int i = 0; i < kFiles; ++i) WriteJpeg(Src("p" + std::to_string(1000 + i) + ".jpg"), 1200, 900);
  for (const int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sig);
    const fs::path out = m_tree.Path() / ("out" + std::to_string(sig));
    const std::string report = Out("report" + std::to_string(sig));
    pixtest::TempDir io;
    const pid_t pid = Spawn(PIXFOLD_BATCH_BINARY, {"--jobs", "2", "--report", report, m_source.string(), out.string()},
                            io);
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (Tree(out).size() < 4 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    kill(pid, sig);
    const Ran r = Wait(pid, io);
    EXPECT_EQ(r.Status, 128 + sig) << r.Err;
    const auto files = Tree(out);
    EXPECT_GE(files.size(), 4u);
    EXPECT_LT(files.size(), static_cast<size_t>(kFiles));
    for (const auto& [name, bytes] : files) {
      EXPECT_FALSE(pix::IsOurLeftover(fs::path(name).filename().string())) << name;
      EXPECT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9") << name << " is not whole";
      Decoded d;
      Decode((out / name).string(), d);
      EXPECT_EQ(d.Width(), 240) << name;
      EXPECT_EQ(d.Height(), 320) << name;
    }
    const auto rows = ReportOf(report);
    ASSERT_EQ(rows.size(), static_cast<size_t>(kFiles));
    size_t converted = 0;
    for (const auto& row : rows) converted += row["status"] == "converted";
    EXPECT_EQ(converted, files.size());
    EXPECT_EQ(rows.back()["status"], "pending");
    EXPECT_NE(r.Err.find("Stopped after"), std::string::npos) << r.Err;
  }
}

// The camera photos through the default pipeline (upright, quarter turn, fit,
// metadata): one file at a time with the resampling spread over every core,
// and one file per worker with each resampling on its own thread, give the
// same bytes.
TEST(BatchPhotos, EveryWorkerAndThreadCountWritesTheSameBytes) {
  const fs::path photos = pixtest::SharedTestData("photos");
  if (!fs::is_directory(photos)) GTEST_SKIP() << "no camera photos";
  pixtest::TempDir dir;
  std::map<std::string, std::string> first;
  for (const char* jobs : {"1", "2", "3"}) {
    const fs::path out = dir.Path() / (std::string("out") + jobs);
    const Ran ran = Batch({"--quiet", "--jobs", jobs, photos.string(), out.string()});
    ASSERT_EQ(ran.Status, 0) << ran.Err;
    const auto tree = Tree(out);
    if (first.empty()) {
      first = tree;
      EXPECT_GE(first.size(), 10u);
    } else {
      EXPECT_TRUE(tree == first) << "--jobs " << jobs;
    }
  }
}
