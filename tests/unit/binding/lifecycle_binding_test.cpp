// Binding the plug-in to a host: ReceiveCoreDataPtr resolves every host function by name from
// its module slot and fetches the device; RefreshD3D repeats that for mode 1 only.
#include <gtest/gtest.h>

#include <cstring>

#include "host/binding/core_data.h"
#include "host/binding/host_api.h"
#include "host/binding/plugin_state.h"
#include "host/exports.h"
#include "platform/posix/host_symbol_table.h"
#include "standalone/standalone_host.h"

namespace korva {
namespace {
using platform::HostSymbol;

// A host of our own making, with one device function whose result the test changes.
int g_firstDevice = 0;
int g_secondDevice = 0;
void* g_currentDevice = nullptr;
void* FakeGetDevice() {
  return g_currentDevice;
}
sObject* FakeGetObject(int32_t) {
  return nullptr;
}

constexpr const char* kDeviceSymbol = "?GetDirect3DDevice@@YAPAUIDirect3DDevice9@@XZ";
constexpr const char* kGetObjectSymbol = "?GetObjectA@@YAPAUsObject@@H@Z";

const HostSymbol kDeviceTable[] = {{kDeviceSymbol, reinterpret_cast<void*>(&FakeGetDevice)},
                                   {nullptr, nullptr}};
const HostSymbol kObjectTable[] = {{kGetObjectSymbol, reinterpret_cast<void*>(&FakeGetObject)},
                                   {nullptr, nullptr}};

HostAddress Slot(const HostSymbol* table) {
  return korva::ToHostAddress(table);
}

void** Entries(HostApi& api) {
  return reinterpret_cast<void**>(&api);
}

class Binding : public ::testing::Test {
 protected:
  void SetUp() override {
    g_plugin = PluginState{};
    std::memset(&core_, 0, sizeof core_);
    g_currentDevice = &g_firstDevice;
  }
  void TearDown() override { g_plugin = PluginState{}; }

  bool AllEntriesNull() {
    for (int i = 0; i < kHostFunctionCount; ++i) {
      if (Entries(g_plugin.api)[i]) return false;
    }
    return true;
  }

  CoreData core_;
};

TEST_F(Binding, StandaloneHostResolvesAllHostFunctionsAndTheDevice) {
  standalone::StandaloneHost host;
  host.Bind();
  EXPECT_EQ(g_plugin.coreData, host.coreData());
  for (int i = 0; i < kHostFunctionCount; ++i) {
    EXPECT_NE(Entries(g_plugin.api)[i], nullptr) << kHostFunctionSymbols[i].symbol;
  }
  EXPECT_EQ(g_plugin.device, host.device());
  EXPECT_NE(g_plugin.device, nullptr);
  // Resolved functions are the host's own: an object it creates is found through them.
  char name[] = "Root Frame";
  ASSERT_TRUE(g_plugin.api.CreateNewObjectWithFrames(3, name, 2));
  EXPECT_EQ(g_plugin.api.GetObjectA(3), host.GetObject(3));
}

TEST_F(Binding, EachFunctionComesOnlyFromItsOwnModuleSlot) {
  core_.ObjectModule = Slot(kDeviceTable);  // the device function, but in the wrong slot
  core_.DeviceModule = Slot(kObjectTable);
  ReceiveCoreDataPtr(&core_);
  EXPECT_TRUE(AllEntriesNull());
  EXPECT_EQ(g_plugin.device, nullptr);
  EXPECT_EQ(g_plugin.coreData, &core_);
}

TEST_F(Binding, WithoutADeviceFunctionTheDeviceStaysNull) {
  core_.ObjectModule = Slot(kObjectTable);
  ReceiveCoreDataPtr(&core_);
  EXPECT_EQ(g_plugin.api.GetObjectA, &FakeGetObject);
  EXPECT_EQ(g_plugin.api.GetDirect3DDevice, nullptr);
  EXPECT_EQ(g_plugin.device, nullptr);
}

TEST_F(Binding, RefreshOnlyForModeOneAndThenWithTheNewDevice) {
  core_.DeviceModule = Slot(kDeviceTable);
  ReceiveCoreDataPtr(&core_);
  ASSERT_EQ(g_plugin.device, &g_firstDevice);

  // The host replaces its device and publishes its object functions.
  g_currentDevice = &g_secondDevice;
  core_.ObjectModule = Slot(kObjectTable);
  for (int mode : {0, 2, -1}) {
    RefreshD3D(mode);
    EXPECT_EQ(g_plugin.device, &g_firstDevice) << "mode " << mode;
    EXPECT_EQ(g_plugin.api.GetObjectA, nullptr) << "mode " << mode;
  }
  RefreshD3D(1);
  EXPECT_EQ(g_plugin.device, &g_secondDevice);
  EXPECT_EQ(g_plugin.api.GetObjectA, &FakeGetObject);
  EXPECT_EQ(g_plugin.coreData, &core_);

  // A host that withdraws a function: the entry goes back to null at the next refresh.
  core_.ObjectModule = 0;
  RefreshD3D(1);
  EXPECT_EQ(g_plugin.api.GetObjectA, nullptr);
}

TEST_F(Binding, RefreshBeforeBindingTouchesNothing) {
  RefreshD3D(1);
  EXPECT_EQ(g_plugin.coreData, nullptr);
  EXPECT_TRUE(AllEntriesNull());
  EXPECT_EQ(g_plugin.device, nullptr);
}

TEST_F(Binding, AssociatedLibrariesAndDestructorChangeNothing) {
  EXPECT_EQ(GetAssociatedDLLs(), 2);
  core_.DeviceModule = Slot(kDeviceTable);
  core_.ObjectModule = Slot(kObjectTable);
  ReceiveCoreDataPtr(&core_);
  EXPECT_EQ(GetAssociatedDLLs(), 2);
  Destructor();
  EXPECT_EQ(g_plugin.coreData, &core_);
  EXPECT_EQ(g_plugin.device, &g_firstDevice);
  EXPECT_EQ(g_plugin.api.GetObjectA, &FakeGetObject);
}

TEST_F(Binding, StandaloneDeviceSwitchTakesEffectAtTheNextRefresh) {
  standalone::StandaloneHost host;
  host.Bind();
  void* device = g_plugin.device;
  host.SetDeviceAvailable(false);
  EXPECT_EQ(g_plugin.device, device);
  RefreshD3D(1);
  EXPECT_EQ(g_plugin.device, nullptr);
  host.SetDeviceAvailable(true);
  RefreshD3D(1);
  EXPECT_EQ(g_plugin.device, device);
}

}  // namespace
}  // namespace korva
