// korva convert on several models at once: into a folder or beside each input, with the rest of
// the batch converted when one file fails, and progress shown only on a terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_models.h"
#include "korva_runner.h"

namespace korva::cli_tests {
namespace {
namespace fs = std::filesystem;

// Three models in their own folders: the sample and (when present) the two real ones.
class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder() / "in" / "a");
    fs::create_directories(folder() / "in" / "b");
    fs::create_directories(folder() / "out");
    PutSample(folder() / "in" / "a");
    inputs_.push_back("in/a/crane.ms3d");
    if (HaveRealModels()) {
      PutRealModel(folder() / "in" / "b", "Model.ms3d");
      PutRealModel(folder() / "in" / "b", "Dophi.ms3d");
      inputs_.push_back("in/b/Model.ms3d");
      inputs_.push_back("in/b/Dophi.ms3d");
    } else {
      PutSample(folder() / "in" / "b");
      fs::rename(folder() / "in" / "b" / "crane.ms3d", folder() / "in" / "b" / "second.ms3d");
      inputs_.push_back("in/b/second.ms3d");
    }
  }

  const fs::path& folder() const { return scratch_.path(); }
  std::vector<std::string> Convert(std::vector<std::string> options) const {
    std::vector<std::string> arguments{"convert"};
    arguments.insert(arguments.end(), inputs_.begin(), inputs_.end());
    arguments.insert(arguments.end(), options.begin(), options.end());
    return arguments;
  }
  static std::string DboName(const std::string& input) {
    return fs::path(input).stem().string() + ".dbo";
  }

  ScratchFolder scratch_;
  std::vector<std::string> inputs_;
};

TEST_F(BatchTest, IntoAFolder) {
  const RunResult run = RunKorva(Convert({"-o", "out"}), folder());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), inputs_.size()) << run.out;
  std::vector<std::string> expected;
  for (size_t i = 0; i < inputs_.size(); ++i) {
    const fs::path written = fs::path("out") / DboName(inputs_[i]);
    EXPECT_EQ(lines[i], written.string() + " written (" +
                            std::to_string(fs::file_size(folder() / written)) + " bytes) from " +
                            inputs_[i]);
    expected.push_back(written.filename().string());
    // Each one is the same file a conversion on its own gives.
    ASSERT_EQ(RunKorva({"convert", "-q", inputs_[i], "-o", "single.dbo"}, folder()).exitCode, 0);
    EXPECT_EQ(ReadBytes(folder() / written), ReadBytes(folder() / "single.dbo")) << written;
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FolderEntries(folder() / "out"), expected);
  // Nothing beside the inputs.
  for (const std::string& input : inputs_) {
    EXPECT_FALSE(fs::exists(folder() / fs::path(input).replace_extension(".dbo"))) << input;
  }
}

TEST_F(BatchTest, BesideEachInputWithoutAnOutput) {
  const RunResult run = RunKorva(Convert({"--quiet"}), folder());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Lines(run.out).size(), inputs_.size());
  for (const std::string& input : inputs_) {
    EXPECT_TRUE(fs::is_regular_file(folder() / fs::path(input).replace_extension(".dbo"))) << input;
  }
  EXPECT_TRUE(fs::is_empty(folder() / "out"));
}

TEST_F(BatchTest, ABadFileFailsTheBatchButNotTheOtherFiles) {
  const std::vector<uint8_t> model = ReadBytes(folder() / inputs_[0]);
  WriteBytes(folder() / "in" / "cut.ms3d", {model.begin(), model.begin() + 100});
  inputs_.insert(inputs_.begin() + 1, "in/cut.ms3d");
  inputs_.push_back("in/missing.ms3d");
  const RunResult run = RunKorva(Convert({"-o", "out"}), folder());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");  // a script sees no success lines from a failed batch
  size_t errors = 0;
  size_t writtenLines = 0;
  for (const std::string& line : Lines(run.err)) {
    if (StartsWith(line, "korva: ")) {
      ++errors;
      EXPECT_TRUE(StartsWith(line, "korva: in/cut.ms3d: ") ||
                  StartsWith(line, "korva: in/missing.ms3d: "))
          << line;
    } else if (line.find(" written (") != std::string::npos) {
      ++writtenLines;
    } else {
      EXPECT_TRUE(StartsWith(line, "Info: ")) << line;
    }
  }
  EXPECT_EQ(errors, 2u) << run.err;
  EXPECT_EQ(writtenLines, inputs_.size() - 2) << run.err;
  EXPECT_EQ(FolderEntries(folder() / "out").size(), inputs_.size() - 2);
  EXPECT_FALSE(fs::exists(folder() / "out" / "cut.dbo"));
}

TEST_F(BatchTest, TwoInputsForOneOutputIsBadUsage) {
  fs::create_directories(folder() / "in" / "c");
  PutSample(folder() / "in" / "c");
  const RunResult run =
      RunKorva({"convert", "in/a/crane.ms3d", "in/c/crane.ms3d", "-o", "out"}, folder());
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
  EXPECT_TRUE(fs::is_empty(folder() / "out"));
}

TEST_F(BatchTest, ProgressOnlyOnATerminal) {
  if (!TerminalAvailable()) GTEST_SKIP() << "no pseudo-terminal on this machine";
  const std::string firstStep = "[1/" + std::to_string(inputs_.size()) + "] " + inputs_[0];
  const std::string lastStep = "[" + std::to_string(inputs_.size()) + "/" +
                               std::to_string(inputs_.size()) + "] " + inputs_.back();

  const RunResult terminal = RunKorvaOnTerminal(Convert({"-o", "out"}), folder());
  EXPECT_EQ(terminal.exitCode, 0) << terminal.err;
  EXPECT_NE(terminal.err.find(firstStep), std::string::npos) << terminal.err;
  EXPECT_NE(terminal.err.find(lastStep), std::string::npos) << terminal.err;
  EXPECT_EQ(Lines(terminal.out).size(), inputs_.size());  // stdout is not the terminal here

  const RunResult piped = RunKorva(Convert({"-o", "out"}), folder());
  EXPECT_EQ(piped.exitCode, 0);
  EXPECT_EQ(piped.err.find("[1/"), std::string::npos) << piped.err;
  EXPECT_EQ(piped.err.find('\033'), std::string::npos);
  EXPECT_EQ(piped.err.find('\r'), std::string::npos);

  // One file is no batch.
  const RunResult single = RunKorvaOnTerminal({"convert", inputs_[0], "-o", "one.dbo"}, folder());
  EXPECT_EQ(single.exitCode, 0);
  EXPECT_EQ(single.err.find("[1/"), std::string::npos) << single.err;
}

}  // namespace
}  // namespace korva::cli_tests
