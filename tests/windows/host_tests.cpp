// KORVA_Tools.dll driven the way the host engine drives it, under a real Windows loader: the
// standalone host compiled for Windows exports the host functions from this program, hands out a
// real Direct3D 9 device made without FPU-preserve, and every message box is captured and closed.
// The plug-in is reached only through GetProcAddress on its exact export symbols.
//
// With KORVA_CROSS_DIR set (a folder with models/ and linux/, see scripts/test.d/30-windows.sh)
// the cross-check also runs: every model is imported, its notices and command results compared
// with the Linux build's, and its DBO file written to wine/ (device as a game makes it) and
// wine-fpu-preserve/ (device with FPU-preserve), which must be byte-identical.
//
// Usage: korva_windows_host_tests [--filter TEXT] [PATH-TO-DLL]
// First, so that no later header brings in the GetObject macro of <windows.h>.
#include <d3d9.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bound_host.h"
#include "command_script.h"
#include "host/binding/host_api.h"
#include "message_boxes.h"
#include "model/mesh.h"
#include "model/object.h"
#include "model/texture.h"
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

std::vector<ShownBox> Infos(std::initializer_list<std::string> texts) {
  std::vector<ShownBox> boxes;
  for (const std::string& text : texts) boxes.push_back({"Info", text});
  return boxes;
}

bool SameBoxes(const std::vector<ShownBox>& a, const std::vector<ShownBox>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].caption != b[i].caption || a[i].text != b[i].text) return false;
  }
  return true;
}

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

WINTEST(EveryExportResolvesByItsSymbol) {
  WIN_EXPECT(Plugin().missing.empty(), "not exported: " + Plugin().missing);
}

WINTEST(HostFunctionsAreExportsOfTheHostProgram) {
  HMODULE self = GetModuleHandleA(nullptr);
  for (const korva::HostFunctionSymbol& function : korva::kHostFunctionSymbols) {
    WIN_EXPECT(GetProcAddress(self, function.symbol) != nullptr,
               std::string("the host program does not export ") + function.symbol);
  }
  StandaloneHost host;
  const korva::CoreData* core = host.coreData();
  const auto slot = korva::ToHostAddress(self);
  WIN_EXPECT(core->ObjectModule == slot && core->DeviceModule == slot && core->NameModule == slot &&
                 core->ViewModule == slot,
             "a CoreData module slot does not hold the program's HMODULE");
}

WINTEST(DeviceIsRealAndLeavesTheX87AtSinglePrecision) {
  korva::wintest::SetX87ControlWord(korva::wintest::g_initialX87ControlWord);
  StandaloneHost host;
  auto* device = static_cast<IDirect3DDevice9*>(host.device());
  std::printf("  device: %s\n", korva::standalone::HostDeviceDescription().c_str());
  WIN_ASSERT(device, "no device: " + korva::standalone::HostDeviceDescription());
  WIN_EXPECT(device->TestCooperativeLevel() == D3D_OK, "the device is not usable");
  D3DDEVICE_CREATION_PARAMETERS creation = {};
  WIN_EXPECT(device->GetCreationParameters(&creation) == D3D_OK &&
                 (creation.BehaviorFlags & D3DCREATE_FPU_PRESERVE) == 0,
             "the device was made with FPU-preserve");
  const unsigned word = korva::wintest::X87ControlWord();
  std::printf("  x87 control word %s before the device, %s after\n",
              Hex(korva::wintest::g_initialX87ControlWord).c_str(), Hex(word).c_str());
  WIN_EXPECT(korva::wintest::X87Precision(word) == 24,
             "x87 precision is not 24-bit after CreateDevice: control word " + Hex(word));
  WIN_EXPECT(host.liveTextureCount() == -1, "the Windows host does not count textures");
}

WINTEST(BindingAndRefreshD3D) {
  WIN_SKIP_UNLESS(SharedModelsPresent(), "no test data at " + kSharedModels);
  WIN_ASSERT(Plugin().GetAssociatedDLLs() == 2, "GetAssociatedDLLs before binding");
  BoundHost bound;
  const std::string model = kSharedModels + "Model.ms3d";
  const uint16_t before = korva::wintest::X87ControlWord();
  WIN_ASSERT(bound.Import(model, 1), "no import after binding:" + Describe(TakeMessageBoxes()));
  TakeMessageBoxes();
  // The plug-in works at its own precision but hands the caller's control word back.
  WIN_EXPECT(korva::wintest::X87ControlWord() == before,
             "the import changed the x87 control word to " + Hex(korva::wintest::X87ControlWord()));

  // Modes other than 1 change nothing: the device fetched at binding stays.
  bound.host.SetDeviceAvailable(false);
  for (int mode : {0, 2, -1}) Plugin().RefreshD3D(mode);
  WIN_EXPECT(bound.Import(model, 2), "RefreshD3D with a mode other than 1 dropped the device");
  TakeMessageBoxes();

  // Mode 1 fetches again: now there is no device and the import refuses, saying so.
  Plugin().RefreshD3D(1);
  WIN_EXPECT(!bound.Import(model, 3), "imported without a device");
  const std::vector<ShownBox> refused = TakeMessageBoxes();
  WIN_EXPECT(SameBoxes(refused, {{"Error", "Failed to load MS file: " + model}}),
             "refusal boxes:" + Describe(refused));

  bound.host.SetDeviceAvailable(true);
  Plugin().RefreshD3D(1);
  WIN_EXPECT(bound.Import(model, 4), "no import after the device came back");
  TakeMessageBoxes();
  Plugin().Destructor();
  WIN_EXPECT(Plugin().GetAssociatedDLLs() == 2, "GetAssociatedDLLs after Destructor");
  WIN_EXPECT(Plugin().GetNumBones(4) == 9, "commands after Destructor");
}

WINTEST(ModelImportsWithItsTextureFromTheUtilityLibrary) {
  WIN_SKIP_UNLESS(SharedModelsPresent(), "no test data at " + kSharedModels);
  BoundHost bound;
  sObject* object = bound.Import(kSharedModels + "Model.ms3d", 1);
  const std::vector<ShownBox> boxes = TakeMessageBoxes();
  WIN_ASSERT(object, "not imported:" + Describe(boxes));
  const std::vector<ShownBox> expected = Infos({
      "Missing Parent Bone for Bone 0",
      "Bone Number 0\r\nNumber of Assigned Verticies 4",
      "Bone Number 1\r\nNumber of Assigned Verticies 8",
      "Bone Number 2\r\nNumber of Assigned Verticies 4",
      "Bone Number 3\r\nNumber of Assigned Verticies 4",
      "Bone Number 4\r\nNumber of Assigned Verticies 4",
      "Bone Number 5\r\nNumber of Assigned Verticies 4",
      "Bone Number 6\r\nNumber of Assigned Verticies 4",
      "Bone Number 7\r\nNumber of Assigned Verticies 4",
      "Bone Number 8\r\nNumber of Assigned Verticies 4",
      "Total Frames: 24",
      "Done Loading MilkShape Animation",
      "Done Loading MilkShape",
  });
  WIN_EXPECT(SameBoxes(boxes, expected), "boxes:" + Describe(boxes));

  const korva::sMesh* mesh = object->meshList[0];
  WIN_ASSERT(mesh->textures, "no texture records");
  auto* texture = static_cast<IDirect3DTexture9*>(mesh->textures[0].texture);
  WIN_ASSERT(texture, "the texture was not created");
  WIN_EXPECT(texture->GetType() == D3DRTYPE_TEXTURE, "not a texture");
  D3DSURFACE_DESC level = {};
  WIN_EXPECT(
      texture->GetLevelDesc(0, &level) == D3D_OK && level.Width == 128 && level.Height == 128,
      "Wood.bmp is 128 x 128; the texture is " + std::to_string(level.Width) + " x " +
          std::to_string(level.Height));
  IDirect3DDevice9* owner = nullptr;
  WIN_EXPECT(texture->GetDevice(&owner) == D3D_OK && owner == bound.host.device(),
             "the texture was made on another device");
  if (owner) owner->Release();
  WIN_EXPECT(mesh->textures[0].blendOperation == 4 && mesh->textures[1].blendOperation == 1,
             "stage settings of the texture records");
}

WINTEST(DophiReportsItsMissingTextureAndKeepsItsMaterial) {
  WIN_SKIP_UNLESS(SharedModelsPresent(), "no test data at " + kSharedModels);
  BoundHost bound;
  const std::string path = kSharedModels + "Dophi.ms3d";
  sObject* object = bound.Import(path, 1);
  const std::vector<ShownBox> boxes = TakeMessageBoxes();
  WIN_ASSERT(object, "not imported:" + Describe(boxes));
  const std::vector<ShownBox> expected = Infos({
      "Missing Parent Bone for Bone 0",
      "Bone Number 0\r\nNumber of Assigned Verticies 51",
      "Bone Number 1\r\nNumber of Assigned Verticies 57",
      "Bone Number 2\r\nNumber of Assigned Verticies 123",
      "Total Frames: 30",
      "Done Loading MilkShape Animation",
      "Error Loading Texture: " + kSharedModels + "\\dolphin.bmp",
      "Done Loading MilkShape",
  });
  WIN_EXPECT(SameBoxes(boxes, expected), "boxes:" + Describe(boxes));
  const korva::sMesh* mesh = object->meshList[0];
  WIN_EXPECT(mesh->usesOwnMaterial == 1, "material not copied");
  WIN_EXPECT(mesh->textures && mesh->textures[0].texture == nullptr, "a texture appeared");
}

WINTEST(MissingModelStoresTheErrorCodeAndSaysSo) {
  BoundHost bound;
  const std::string path = kSharedModels + "no such model.ms3d";
  WIN_EXPECT(!bound.Import(path, 1), "an object for a missing file");
  WIN_EXPECT(bound.host.errorCode() == 68,
             "error variable " + std::to_string(bound.host.errorCode()));
  const std::vector<ShownBox> boxes = TakeMessageBoxes();
  WIN_EXPECT(SameBoxes(boxes, {{"Error", "Failed to load MS file: " + path}}),
             "boxes:" + Describe(boxes));
}
}  // namespace
