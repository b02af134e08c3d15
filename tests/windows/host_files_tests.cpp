// DBO files, the script commands and the cross-check with the Linux build, on objects the DLL
// imported under the standalone host (see host_tests.cpp for the setting).
// First, so that no later header brings in the GetObject macro of <windows.h>.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bound_host.h"
#include "command_script.h"
#include "dbo/result_codes.h"
#include "message_boxes.h"
#include "model/object.h"
#include "notice_lines.h"
#include "plugin_library.h"
#include "standalone/host_functions.h"
#include "standalone/standalone_host.h"
#include "standalone/direct3d/host_device.h"
#include "standalone/win32/windows_api.h"
#include "wintest.h"
#include "x87_control.h"

namespace {
using korva::sObject;
using korva::standalone::StandaloneHost;
using korva::wintest::BoundHost;
using korva::wintest::Describe;
using korva::wintest::kSharedModels;
using korva::wintest::Plugin;
using korva::wintest::SharedModelsPresent;
using korva::wintest::ShownBox;
using korva::wintest::TakeMessageBoxes;

std::string TempPath(const std::string& name) {
  char folder[MAX_PATH] = {};
  GetTempPathA(sizeof folder, folder);
  return std::string(folder) + "korva_windows_" + name;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

// The block DBOConvertObjectToBlock makes of the object, as bytes; empty when it fails.
std::string Block(sObject* object) {
  korva::HostAddress address = 0;
  uint32_t size = 0;
  if (!Plugin().DBOConvertObjectToBlock(object, &address, &size)) return "";
  std::string bytes(korva::FromHostAddress<const char>(address), size);
  std::free(korva::FromHostAddress<void>(address));  // the same C runtime as the DLL's
  return bytes;
}

korva::crosscheck::PluginCommands Commands() {
  const korva::wintest::PluginLibrary& p = Plugin();
  return {p.RepairHierarchy,     p.SetLimbAmbience,
          p.SetLimbDiffuse,      p.SetLimbEmissive,
          p.SetLimbSpecular,     p.GetLimbAmbience,
          p.GetLimbDiffuse,      p.GetLimbEmissive,
          p.GetLimbSpecular,     p.ColorLimb,
          p.GetNumAnimationSets, p.GetNumBones,
          p.GetBoneName,         p.GetNumMatrixKeys,
          p.GetNumAssignedVerts, korva::standalone::host::GetObjectA};
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

WINTEST(SaveDboExThenLoadDboExGivesBackTheSavedObject) {
  WIN_SKIP_UNLESS(SharedModelsPresent(), "no test data at " + kSharedModels);
  BoundHost bound;
  sObject* object = bound.Import(kSharedModels + "Model.ms3d", 1);
  TakeMessageBoxes();
  WIN_ASSERT(object, "not imported");
  std::string path = TempPath("model.dbo");
  // A longer file in the way: saving replaces it whole.
  WIN_ASSERT(WriteFile(path, std::string(100000, 'x')), "cannot write " + path);
  WIN_ASSERT(Plugin().SaveDBOEx(path.data(), object) == korva::dbo::kSaveSucceeded,
             "SaveDBOEx failed");
  const std::string saved = Block(object);
  std::string file;
  WIN_ASSERT(ReadFile(path, file), "no file written");
  WIN_EXPECT(!saved.empty() && file == saved, "the file is not exactly the object's block");

  sObject* loaded = nullptr;
  WIN_ASSERT(Plugin().LoadDBOEx(path.data(), &loaded) == korva::dbo::kLoadSucceeded && loaded,
             "LoadDBOEx failed");
  WIN_EXPECT(Block(loaded) == saved, "the loaded object saves differently");
  WIN_ASSERT(bound.host.AdoptObject(2, loaded), "the host does not take the loaded object");
  WIN_EXPECT(Plugin().GetNumBones(2) == 9, "bones of the loaded object");

  korva::HostAddress block = 0;

  uint32_t size = 0;
  WIN_EXPECT(Plugin().DBOLoadBlockFile(path.data(), &block, &size) && size == saved.size() &&
                 std::string(korva::FromHostAddress<const char>(block), size) == saved,
             "DBOLoadBlockFile does not give the file's bytes");
  std::string copy = TempPath("copy.dbo");
  WIN_EXPECT(
      Plugin().DBOSaveBlockFile(copy.data(), block, size) && ReadFile(copy, file) && file == saved,
      "DBOSaveBlockFile does not write the block");
  std::free(korva::FromHostAddress<void>(block));
  DeleteFileA(path.c_str());
  DeleteFileA(copy.c_str());
}

WINTEST(DboFilesFailWithTheirResults) {
  WIN_SKIP_UNLESS(SharedModelsPresent(), "no test data at " + kSharedModels);
  BoundHost bound;
  sObject* object = bound.Import(kSharedModels + "Model.ms3d", 1);
  TakeMessageBoxes();
  WIN_ASSERT(object, "not imported");
  std::string missing = TempPath("missing.dbo");
  DeleteFileA(missing.c_str());
  sObject sentinel{};
  sObject* out = &sentinel;
  WIN_EXPECT(Plugin().LoadDBOEx(missing.data(), &out) == korva::dbo::kLoadFileUnreadable &&
                 out == &sentinel,
             "a missing file");
  std::string empty = TempPath("empty.dbo");
  WriteFile(empty, "");
  out = nullptr;
  WIN_EXPECT(
      Plugin().LoadDBOEx(empty.data(), &out) == korva::dbo::kLoadNotAnObject && out == nullptr,
      "an empty file");
  DeleteFileA(empty.c_str());
  std::string unwritable = "Z:/no/such/folder/korva.dbo";
  WIN_EXPECT(Plugin().SaveDBOEx(unwritable.data(), object) == korva::dbo::kSaveFileNotWritten,
             "a file that cannot be made");
  WIN_EXPECT(TakeMessageBoxes().empty(), "DBO functions showed a box");
}

WINTEST(EveryScriptCommandOnTheImportedObject) {
  WIN_SKIP_UNLESS(SharedModelsPresent(), "no test data at " + kSharedModels);
  BoundHost bound;
  WIN_ASSERT(bound.Import(kSharedModels + "Model.ms3d", 1), "not imported");
  TakeMessageBoxes();
  const std::string text = korva::crosscheck::RunCommandScript(Commands(), 1);
  WIN_EXPECT(Contains(text, "GetNumBones(1, 0) = 9\n"), "bone count:\n" + text);
  WIN_EXPECT(Contains(text, "GetNumAnimationSets(1, 0) = 1\n"), "set count:\n" + text);
  WIN_EXPECT(Contains(text, "GetLimbDiffuse(1, 0) = 80405060\n"), "diffuse read back:\n" + text);
  WIN_EXPECT(Contains(text, "diffuse: FF336699"), "vertex colour:\n" + text);
  WIN_EXPECT(TakeMessageBoxes().empty(), "commands showed a box");
}

// --- Cross-check with the Linux build ---------------------------------------------------------

std::vector<std::string> ModelNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*.ms3d").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

std::string FirstDifference(const std::string& a, const std::string& b) {
  size_t line = 1, at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) line += a[at++] == '\n';
  const auto lineOf = [&](const std::string& s) {
    const size_t start = s.rfind('\n', at ? at - 1 : 0);
    const size_t from = start == std::string::npos || at == 0 ? 0 : start + 1;
    return s.substr(from, s.find('\n', from) - from);
  };
  return "line " + std::to_string(line) + ": \"" + lineOf(a) + "\" vs Linux \"" + lineOf(b) + "\"";
}

// Imports one model on a fresh host, checks its notices and command results against the Linux
// build's files and saves its DBO file into `outputFolder`.
void CrossCheckModel(const std::string& root, const std::string& name,
                     const std::string& outputFolder, bool fpuPreserve) {
  const std::string models = root + "/models/";
  const std::string stem = name.substr(0, name.rfind('.'));
  const std::string reference = root + "/linux/" + stem;
  korva::wintest::SetX87ControlWord(korva::wintest::g_initialX87ControlWord);
  korva::standalone::SetHostDeviceFpuPreserve(fpuPreserve);
  BoundHost bound;
  korva::standalone::SetHostDeviceFpuPreserve(false);
  const int precision = korva::wintest::X87Precision(korva::wintest::X87ControlWord());
  WIN_EXPECT((precision == 24) != fpuPreserve,
             name + ": x87 precision " + std::to_string(precision) + " after the device");
  sObject* object = bound.Import(models + name, 1);
  std::string notices;
  for (const ShownBox& box : TakeMessageBoxes())
    notices += korva::crosscheck::NoticeLine(box.caption, box.text, models);
  std::string expected;
  WIN_EXPECT(ReadFile(reference + ".notices", expected), "no Linux notices for " + name);
  WIN_EXPECT(notices == expected, name + " notices differ, " + FirstDifference(notices, expected));
  WIN_ASSERT(object, name + ": not imported");
  std::string dbo = outputFolder + stem + ".dbo";
  WIN_EXPECT(Plugin().SaveDBOEx(dbo.data(), object) == korva::dbo::kSaveSucceeded,
             "SaveDBOEx " + dbo);

  WIN_ASSERT(bound.Import(models + name, 2), name + ": second import");
  TakeMessageBoxes();
  const std::string commands = korva::crosscheck::RunCommandScript(Commands(), 2);
  WIN_EXPECT(ReadFile(reference + ".commands", expected), "no Linux command results for " + name);
  WIN_EXPECT(commands == expected,
             name + " command results differ, " + FirstDifference(commands, expected));
}

WINTEST(CrossCheckWithTheLinuxBuild) {
  const char* root = std::getenv("KORVA_CROSS_DIR");
  if (!root || !*root) {
    std::printf("  KORVA_CROSS_DIR not set: no cross-check (scripts/test sets it)\n");
    return;
  }
  const std::vector<std::string> names = ModelNames(std::string(root) + "/models/");
  WIN_ASSERT(!names.empty(), std::string("no models in ") + root + "/models");
  const std::string game = std::string(root) + "/wine/";
  const std::string preserved = std::string(root) + "/wine-fpu-preserve/";
  CreateDirectoryA(game.c_str(), nullptr);
  CreateDirectoryA(preserved.c_str(), nullptr);
  for (const std::string& name : names) {
    CrossCheckModel(root, name, preserved, true);
    CrossCheckModel(root, name, game, false);
    const std::string stem = name.substr(0, name.rfind('.'));
    std::string a, b;
    WIN_EXPECT(
        ReadFile(game + stem + ".dbo", a) && ReadFile(preserved + stem + ".dbo", b) && a == b,
        name + ": the DBO file changes with the x87 precision the device leaves");
    std::printf("  %s: %zu bytes, the same with and without FPU-preserve: %s\n", name.c_str(),
                a.size(), a == b ? "yes" : "NO");
  }
}
}  // namespace
