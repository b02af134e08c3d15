// Where korva meets the file system: every output is written whole or not at all, wherever it
// points, and every input that is not a plain file fails at once with a line naming it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli_models.h"
#include "korva_runner.h"

namespace korva::cli_tests {
namespace {
namespace fs = std::filesystem;

// The two commands that write a file, each with the arguments before its output.
struct Writer {
  const char* name;
  std::vector<std::string> arguments;  // followed by "-o" and the output
};

std::vector<Writer> Writers() {
  return {{"convert", {"convert", "-q", "crane.ms3d"}},
          {"render", {"render", "-q", "--size", "32", "crane.ms3d"}}};
}

RunResult WriteTo(const Writer& writer, const std::string& output, const fs::path& folder,
                  const RunOptions& options = {}) {
  std::vector<std::string> arguments = writer.arguments;
  arguments.push_back("-o");
  arguments.push_back(output);
  return RunProgram(KORVA_BINARY, arguments, folder, options);
}

void ExpectFailure(const RunResult& run, int code, const std::string& file,
                   const std::string& problem) {
  EXPECT_EQ(run.exitCode, code);
  EXPECT_EQ(run.out, "");
  const std::vector<std::string> lines = Lines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_TRUE(StartsWith(lines[0], "korva: " + file + ": ")) << lines[0];
  EXPECT_NE(lines[0].find(problem), std::string::npos) << lines[0];
}

class SafeOutputTest : public ::testing::Test {
 protected:
  void SetUp() override { PutSample(folder()); }
  const fs::path& folder() const { return scratch_.path(); }
  ScratchFolder scratch_;
};

TEST_F(SafeOutputTest, AFullDiskIsAFailureAndTheOldFileStays) {
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.name);
    const std::vector<uint8_t> old(300, 'o');
    WriteBytes(folder() / "out", old);
    RunOptions options;
    options.fileSizeLimit = 200;
    const RunResult run = WriteTo(writer, "out", folder(), options);
    ExpectFailure(run, 1, "out", "cannot be written");
    EXPECT_EQ(ReadBytes(folder() / "out"), old);
    EXPECT_EQ(FolderEntries(folder()),
              (std::vector<std::string>{"crane.bmp", "crane.ms3d", "out"}));
  }
}

TEST_F(SafeOutputTest, OutputsThatAreNotRegularFiles) {
  fs::create_directory(folder() / "folder");
  ASSERT_EQ(mkfifo((folder() / "pipe").c_str(), 0600), 0);
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.name);
    ExpectFailure(WriteTo(writer, "", folder()), 2, "--output", "empty file name");
    ExpectFailure(WriteTo(writer, "folder", folder()), 1, "folder", "is a folder");
    EXPECT_TRUE(fs::is_directory(folder() / "folder"));
    ExpectFailure(WriteTo(writer, "/dev/full", folder()), 1, "/dev/full", "no space left");
    EXPECT_EQ(WriteTo(writer, "/dev/null", folder()).exitCode, 0);
    // A FIFO is written into, not replaced: what its reader gets is the whole output.
    std::vector<uint8_t> piped;
    std::thread reader([&] { piped = ReadBytes(folder() / "pipe"); });
    EXPECT_EQ(WriteTo(writer, "pipe", folder()).exitCode, 0);
    reader.join();
    EXPECT_GT(piped.size(), 8u);
    EXPECT_EQ(fs::status(folder() / "pipe").type(), fs::file_type::fifo);
  }
}

TEST_F(SafeOutputTest, ALinkedOutputReplacesItsTargetAndKeepsItsMode) {
  fs::create_directory(folder() / "real");
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.name);
    WriteBytes(folder() / "real" / "target", {'o', 'l', 'd'});
    ASSERT_EQ(chmod((folder() / "real" / "target").c_str(), 0640), 0);
    fs::remove(folder() / "link");
    fs::create_symlink("real/target", folder() / "link");
    ASSERT_EQ(WriteTo(writer, "link", folder()).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(folder() / "link"));
    EXPECT_GT(fs::file_size(folder() / "real" / "target"), 3u);
    struct stat info {};
    ASSERT_EQ(stat((folder() / "real" / "target").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(folder() / "real"), std::vector<std::string>{"target"});
  }
}

TEST_F(SafeOutputTest, PlantedFilesBesideTheOutputAreNeverWrittenThrough) {
  // Names a temporary file could have had; whatever the names, none may be followed or consumed.
  WriteBytes(folder() / "victim", {'v'});
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.name);
    for (const char* planted : {"out.partial", "out.korva-partial", "out.tmp"}) {
      fs::remove(folder() / planted);
      fs::create_symlink("victim", folder() / planted);
    }
    WriteBytes(folder() / "out.korva", {'m', 'i', 'n', 'e'});
    ASSERT_EQ(WriteTo(writer, "out", folder()).exitCode, 0);
    EXPECT_EQ(ReadBytes(folder() / "victim"), std::vector<uint8_t>{'v'});
    EXPECT_EQ(ReadBytes(folder() / "out.korva"), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
  }
}

TEST_F(SafeOutputTest, ConcurrentConversionsToOneOutputBothSucceed) {
  const RunResult single = RunKorva({"convert", "-q", "crane.ms3d", "-o", "single.dbo"}, folder());
  ASSERT_EQ(single.exitCode, 0);
  const std::vector<uint8_t> expected = ReadBytes(folder() / "single.dbo");
  for (int round = 0; round < 8; ++round) {
    RunResult first, second;
    std::thread other([&] {
      first = RunKorva({"convert", "-q", "crane.ms3d", "-o", "shared.dbo"}, folder());
    });
    second = RunKorva({"convert", "-q", "crane.ms3d", "-o", "shared.dbo"}, folder());
    other.join();
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(ReadBytes(folder() / "shared.dbo"), expected);
  }
  EXPECT_EQ(FolderEntries(folder()),
            (std::vector<std::string>{"crane.bmp", "crane.ms3d", "shared.dbo", "single.dbo"}));
}

TEST_F(SafeOutputTest, ConvertingOntoTheInputIsRefusedForModelsOnly) {
  const std::vector<uint8_t> model = ReadBytes(folder() / "crane.ms3d");
  ExpectFailure(RunKorva({"convert", "crane.ms3d", "-o", "./crane.ms3d"}, folder()), 2,
                "./crane.ms3d", "is the MS3D model being converted");
  EXPECT_EQ(ReadBytes(folder() / "crane.ms3d"), model);
  ASSERT_EQ(RunKorva({"convert", "-q", "crane.ms3d"}, folder()).exitCode, 0);
  const std::vector<uint8_t> dbo = ReadBytes(folder() / "crane.dbo");
  EXPECT_EQ(RunKorva({"convert", "-q", "crane.dbo", "-o", "crane.dbo"}, folder()).exitCode, 0);
  EXPECT_EQ(ReadBytes(folder() / "crane.dbo"), dbo);
}

TEST(SafeInputTest, InputsThatAreNotRegularFilesFailAtOnceNamingTheFile) {
  ScratchFolder scratch;
  ASSERT_EQ(mkfifo((scratch.path() / "pipe.ms3d").c_str(), 0600), 0);
  // Sparse: no disk is used, and the size alone refuses it before a byte is read.
  WriteBytes(scratch.path() / "huge.dbo", {});
  fs::resize_file(scratch.path() / "huge.dbo", (uintmax_t{1} << 30) + 1);
  fs::create_symlink("loop.b", scratch.path() / "loop.a");
  fs::create_symlink("loop.a", scratch.path() / "loop.b");
  const std::vector<std::pair<std::string, std::string>> inputs{
      {"pipe.ms3d", "is a FIFO, not a regular file"},
      {"/dev/zero", "is a device, not a regular file"},
      {"/proc/self/mem", "cannot be read"},
      {"loop.a", "symbolic link loop"},
      {"huge.dbo", "too large for this format"},
  };
  for (const auto& [file, problem] : inputs) {
    if (!fs::exists(file) && file[0] == '/') continue;
    for (std::vector<std::string> command :
         std::vector<std::vector<std::string>>{{"info"},
                                               {"check"},
                                               {"dump", "--json"},
                                               {"convert", "-o", "out.dbo"},
                                               {"render", "-o", "out.png"}}) {
      command.push_back(file);
      SCOPED_TRACE(command[0] + " " + file);
      ExpectFailure(RunKorva(command, scratch.path()), 1, file, problem);
    }
  }
}

TEST(SafeInputTest, ATextureThatCannotLoadIsOnlyANotice) {
  // 16000 x 16000 in a PNG header: decoding it would take gigabytes.
  const std::vector<uint8_t> hugePng{0x89, 'P',  'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0,    0, 0,
                                     13,   'I',  'H', 'D', 'R',  0,    0,    0x3E, 0x80, 0, 0,
                                     0x3E, 0x80, 8,   2,   0,    0,    0,    0,    0,    0, 0};
  for (const char* texture : {"fifo", "huge"}) {
    SCOPED_TRACE(texture);
    ScratchFolder scratch;
    PutSample(scratch.path());
    fs::remove(scratch.path() / "crane.bmp");
    if (std::string(texture) == "fifo") {
      ASSERT_EQ(mkfifo((scratch.path() / "crane.bmp").c_str(), 0600), 0);
    } else {
      WriteBytes(scratch.path() / "crane.bmp", hugePng);
    }
    const RunResult convert = RunKorva({"convert", "crane.ms3d"}, scratch.path());
    EXPECT_EQ(convert.exitCode, 0) << convert.err;
    EXPECT_NE(convert.err.find("Info: Error Loading Texture"), std::string::npos) << convert.err;
    const RunResult render =
        RunKorva({"render", "-q", "--size", "32", "crane.ms3d", "-o", "crane.png"}, scratch.path());
    EXPECT_EQ(render.exitCode, 0) << render.err;
    EXPECT_LT(render.peakKilobytes, 200 * 1024);
  }
}

}  // namespace
}  // namespace korva::cli_tests
