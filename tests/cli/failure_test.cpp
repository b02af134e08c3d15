// How korva fails: one line on stderr naming the file and what is wrong, nothing on stdout, exit 1
// for a file and 2 for bad usage, and no file left behind or damaged.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_models.h"
#include "korva_runner.h"

namespace korva::cli_tests {
namespace {
namespace fs = std::filesystem;

// The one line a failure prints, checked against the file it must name and the words it must use.
void ExpectOneErrorLine(const RunResult& run, int exitCode, const std::string& file,
                        const std::string& problem) {
  EXPECT_EQ(run.exitCode, exitCode);
  EXPECT_EQ(run.out, "");
  const std::vector<std::string> lines = Lines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_TRUE(StartsWith(lines[0], "korva: " + file + ": ")) << lines[0];
  EXPECT_NE(lines[0].find(problem), std::string::npos) << lines[0];
}

struct BadInput {
  std::string file;
  std::string problem;
};

// A folder with a good sample and converted DBO file, and every kind of bad input beside them.
class FailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PutSample(folder());
    ASSERT_EQ(RunKorva({"convert", "-q", "crane.ms3d"}, folder()).exitCode, 0);
    const std::vector<uint8_t> model = ReadBytes(folder() / "crane.ms3d");
    const std::vector<uint8_t> dbo = ReadBytes(folder() / "crane.dbo");
    WriteBytes(folder() / "notes.ms3d", {'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't', '\n'});
    WriteBytes(folder() / "empty.dbo", {});
    WriteBytes(folder() / "cut.ms3d", {model.begin(), model.begin() + model.size() / 2});
    WriteBytes(folder() / "cut.dbo", {dbo.begin(), dbo.begin() + dbo.size() / 2});
    fs::create_directory(folder() / "folder.ms3d");
  }

  const fs::path& folder() const { return scratch_.path(); }

  static std::vector<BadInput> BadInputs() {
    return {{"missing.ms3d", "no such file"},
            {"notes.ms3d", "neither an MS3D model, a DBO file nor a glTF asset"},
            {"empty.dbo", "is empty"},
            {"cut.ms3d", "not a well-formed MS3D model: cut short in"},
            {"cut.dbo", "not a well-formed DBO file"},
            {"folder.ms3d", "is a folder"}};
  }

  ScratchFolder scratch_;
};

TEST_F(FailureTest, EveryCommandNamesTheBadFileInOneLine) {
  const std::vector<std::string> before = FolderEntries(folder());
  for (const BadInput& bad : BadInputs()) {
    for (const char* command : {"convert", "info", "dump", "check"}) {
      SCOPED_TRACE(std::string(command) + " " + bad.file);
      ExpectOneErrorLine(RunKorva({command, bad.file}, folder()), 1, bad.file, bad.problem);
    }
    SCOPED_TRACE("dump --json " + bad.file);
    ExpectOneErrorLine(RunKorva({"dump", "--json", bad.file}, folder()), 1, bad.file, bad.problem);
  }
  // convert wrote nothing, not even a part of a file.
  EXPECT_EQ(FolderEntries(folder()), before);
}

TEST_F(FailureTest, InfoPrintsNothingWhenAnyFileIsBad) {
  ExpectOneErrorLine(RunKorva({"info", "crane.ms3d", "cut.dbo", "crane.dbo"}, folder()), 1,
                     "cut.dbo", "not a well-formed DBO file");
}

TEST_F(FailureTest, DboFilesCutAnywhereAreRefusedCleanly) {
  const std::vector<uint8_t> dbo = ReadBytes(folder() / "crane.dbo");
  std::vector<size_t> lengths{1, 11, 12, 13, dbo.size() - 1};
  for (size_t length = 16; length < dbo.size(); length += dbo.size() / 29)
    lengths.push_back(length);
  for (size_t length : lengths) {
    SCOPED_TRACE(length);
    WriteBytes(folder() / "short.dbo", {dbo.begin(), dbo.begin() + length});
    const RunResult run = RunKorva({"check", "short.dbo"}, folder());
    EXPECT_EQ(run.exitCode, 1) << run.out;  // never a crash (-1), never accepted
    EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
  }
}

TEST_F(FailureTest, Ms3dFilesCutAnywhereAreRefusedCleanly) {
  const std::vector<uint8_t> model = ReadBytes(folder() / "crane.ms3d");
  // Up to the end of the last joint: past it only optional sections are lost.
  const RunResult dump = RunKorva({"dump", "--json", "crane.ms3d"}, folder());
  const nlohmann::json document = ParseJson(dump.out);
  ASSERT_FALSE(document.is_null());
  for (size_t length = 0; length < model.size(); length += model.size() / 31) {
    SCOPED_TRACE(length);
    WriteBytes(folder() / "short.ms3d", {model.begin(), model.begin() + length});
    const RunResult run = RunKorva({"convert", "short.ms3d", "-o", "short.dbo"}, folder());
    if (run.exitCode == 0) {
      // Only a cut in the optional sections may still import; check says what was lost.
      const RunResult check = RunKorva({"check", "short.ms3d"}, folder());
      EXPECT_EQ(check.exitCode, 0);
      EXPECT_NE(check.out.find("cut short"), std::string::npos) << check.out;
      fs::remove(folder() / "short.dbo");
      continue;
    }
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_FALSE(fs::exists(folder() / "short.dbo"));
  }
}

TEST_F(FailureTest, AFailedConversionLeavesTheExistingOutputAsItWas) {
  const std::vector<uint8_t> old(5000, 0x5A);
  WriteBytes(folder() / "keep.dbo", old);
  ExpectOneErrorLine(RunKorva({"convert", "cut.ms3d", "-o", "keep.dbo"}, folder()), 1, "cut.ms3d",
                     "cut short");
  EXPECT_EQ(ReadBytes(folder() / "keep.dbo"), old);
}

TEST_F(FailureTest, MissingOutputFolder) {
  ExpectOneErrorLine(RunKorva({"convert", "crane.ms3d", "-o", "nowhere/crane.dbo"}, folder()), 1,
                     "nowhere/crane.dbo", "does not exist");
  // A batch checks its folder before it converts anything.
  const std::vector<std::string> before = FolderEntries(folder());
  ExpectOneErrorLine(RunKorva({"convert", "crane.ms3d", "crane.dbo", "-o", "nowhere"}, folder()), 1,
                     "nowhere", "does not exist");
  EXPECT_EQ(FolderEntries(folder()), before);
  EXPECT_FALSE(fs::exists(folder() / "nowhere"));
}

TEST_F(FailureTest, OutputThatIsAFolder) {
  ExpectOneErrorLine(RunKorva({"convert", "crane.ms3d", "-o", "folder.ms3d"}, folder()), 1,
                     "folder.ms3d", "is a folder");
  EXPECT_TRUE(fs::is_directory(folder() / "folder.ms3d"));
}

TEST_F(FailureTest, CheckReportsEveryFileAndFailsOnAnyBadOne) {
  const RunResult good = RunKorva({"check", "crane.ms3d", "crane.dbo"}, folder());
  EXPECT_EQ(good.exitCode, 0);
  EXPECT_EQ(Lines(good.out),
            (std::vector<std::string>{"crane.ms3d: well-formed MS3D model; group \"hook\" is named "
                                      "\"hook_mesh\" in the object: a joint has its name",
                                      "crane.dbo: well-formed DBO file"}));
  EXPECT_EQ(good.err, "");

  const RunResult mixed =
      RunKorva({"check", "crane.ms3d", "cut.dbo", "crane.dbo", "notes.ms3d"}, folder());
  EXPECT_EQ(mixed.exitCode, 1);
  EXPECT_EQ(Lines(mixed.out).size(), 2u) << mixed.out;
  const std::vector<std::string> errors = Lines(mixed.err);
  ASSERT_EQ(errors.size(), 2u) << mixed.err;
  EXPECT_TRUE(StartsWith(errors[0], "korva: cut.dbo: ")) << errors[0];
  EXPECT_TRUE(StartsWith(errors[1], "korva: notes.ms3d: ")) << errors[1];
}

TEST_F(FailureTest, BadUsageExitsWithTwo) {
  const std::vector<std::vector<std::string>> usages{
      {},
      {"frobnicate"},
      {"convert"},
      {"convert", "--no-such-option", "crane.ms3d"},
      {"convert", "crane.ms3d", "--object", "0"},
      {"convert", "crane.ms3d", "--object", "many"},
      {"info"},
      {"dump", "crane.ms3d", "crane.dbo"},
      {"check"},
  };
  for (const std::vector<std::string>& usage : usages) {
    std::string text;
    for (const std::string& word : usage) text += word + " ";
    SCOPED_TRACE(text);
    const RunResult run = RunKorva(usage, folder());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_TRUE(StartsWith(run.err, "korva: ")) << run.err;
  }
  EXPECT_NE(RunKorva({"frobnicate"}, folder()).err.find("frobnicate"), std::string::npos);
}

TEST_F(FailureTest, OutputThatCannotBeWrittenIsAFailure) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const RunResult run = RunKorvaInto("/dev/full", {"info", "crane.dbo"}, folder());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(Lines(run.err), std::vector<std::string>{"korva: standard output: cannot be written"});
}

TEST(HelpTest, EverySubcommandHasHelpAndTheToolHasAVersion) {
  ScratchFolder scratch;
  const RunResult top = RunKorva({"--help"}, scratch.path());
  EXPECT_EQ(top.exitCode, 0);
  for (const char* command : {"convert", "info", "dump", "check"}) {
    SCOPED_TRACE(command);
    EXPECT_NE(top.out.find(command), std::string::npos);
    const RunResult help = RunKorva({command, "--help"}, scratch.path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find(std::string("korva ") + command), std::string::npos) << help.out;
    EXPECT_EQ(help.err, "");
  }
  const RunResult version = RunKorva({"--version"}, scratch.path());
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_TRUE(StartsWith(version.out, "korva ")) << version.out;
  EXPECT_EQ(Lines(version.out).size(), 1u);
}

}  // namespace
}  // namespace korva::cli_tests
