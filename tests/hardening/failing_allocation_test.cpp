// Every allocation along an import and along a DBO load made to fail in turn, the N-th for every N:
// each run either fails through the export's failure result or, when the failed allocation did not
// matter, builds the very same object; nothing is leaked either way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbo/result_codes.h"
#include "hardening/outcomes.h"
#include "host/exports.h"
#include "model/host_heap.h"
#include "model/object.h"
#include "platform/texture_loader.h"
#include "standalone/image_texture_device.h"
#include "standalone/standalone_host.h"
#include "support/counting_allocator.h"
#include "support/ms3d_writer.h"
#include "support/object_checks.h"

namespace korva::testing {
namespace {

// The block an object writes, or empty when it does not write.
std::vector<uint8_t> BlockOf(sObject* object) {
  HostAddress address = 0;
  uint32_t size = 0;
  if (!DBOConvertObjectToBlock(object, &address, &size)) return {};
  const auto* bytes = FromHostAddress<const uint8_t>(address);
  std::vector<uint8_t> block(bytes, bytes + size);
  HostFree(const_cast<uint8_t*>(bytes));
  return block;
}

struct FailedRun {
  bool failureHappened = false;
  size_t leakedBlocks = 0;
  std::string fault;  // empty when the outcome was clean
};

// Imports the model with the n-th allocation of the import failing (0: none), on a fresh host.
FailedRun ImportFailing(const std::string& path, size_t n, const std::vector<uint8_t>& expected) {
  FailedRun run;
  CountingAllocator allocator;
  {
    standalone::StandaloneHost host;
    host.Bind();
    allocator.FailAllocation(n);
    LoadMilkshape(ToHostAddress(path.c_str()), 1);
    run.failureHappened = allocator.failureHappened();
    allocator.FailAllocation(0);
    bool reported = false;
    for (const standalone::Notice& notice : host.notices()) {
      reported |= notice.caption == "Error" && notice.text.rfind("Failed to load MS file", 0) == 0;
    }
    if (sObject* object = host.GetObject(1)) {
      if (reported) run.fault = "the failure was reported but the object stayed";
      if (run.fault.empty()) run.fault = CheckImportedObject(object);
      if (run.fault.empty() && BlockOf(object) != expected) {
        run.fault = "the import reported success with a different object";
      }
    } else if (!reported) {
      run.fault = "the import failed without its failure message";
    }
  }
  run.leakedBlocks = allocator.liveBlocks();
  return run;
}

TEST(FailingAllocationTest, EveryAllocationOfAnImportFailsCleanly) {
  const std::string path = ScratchPath("failing_allocation.ms3d");
  ASSERT_TRUE(WriteBytes(path, WriteMs3d(SampleMs3d())));
  std::vector<uint8_t> expected;
  size_t total = 0;
  {
    standalone::StandaloneHost host;
    host.Bind();
    CountingAllocator allocator;
    LoadMilkshape(ToHostAddress(path.c_str()), 1);
    total = allocator.allocations();
    ASSERT_NE(host.GetObject(1), nullptr);
    expected = BlockOf(host.GetObject(1));
  }
  ASSERT_FALSE(expected.empty());
  ASSERT_GT(total, 50u);
  int faults = 0;
  for (size_t n = 1; n <= total + 1 && faults < 5; ++n) {
    const FailedRun run = ImportFailing(path, n, expected);
    if (n <= total) {
      EXPECT_TRUE(run.failureHappened) << "allocation " << n;
    }
    if (!run.fault.empty() || run.leakedBlocks != 0) {
      ++faults;
      ADD_FAILURE() << "allocation " << n << " of " << total << " failing: " << run.fault << " ("
                    << run.leakedBlocks << " blocks leaked)";
    }
  }
}

// Finding the file allocates; the device must answer with a result, as the utility library does,
// so that the import reports the texture and goes on.
TEST(FailingAllocationTest, TextureDeviceAnswersOutOfMemory) {
  standalone::StandaloneHost host;
  CountingAllocator allocator;
  allocator.FailAllocation(1);
  void* made = nullptr;
  EXPECT_EQ(platform::CreateTextureFromFile(host.device(), "maps\\hull.bmp", &made),
            standalone::ImageTextureDevice::kOutOfMemory);
  EXPECT_TRUE(allocator.failureHappened());
}

// LoadDBOEx of the model's DBO file and DBOConvertBlockToObject of its block, each with its n-th
// allocation failing.
TEST(FailingAllocationTest, EveryAllocationOfADboLoadFailsCleanly) {
  const std::vector<uint8_t> block =
      ImportedBlock(WriteMs3d(SampleMs3d()), ScratchPath("failing_source.ms3d"));
  ASSERT_FALSE(block.empty());
  const std::string path = ScratchPath("failing_allocation.dbo");
  ASSERT_TRUE(WriteBytes(path, block));

  for (const bool fromFile : {true, false}) {
    int faults = 0;
    for (size_t n = 1; faults < 5; ++n) {
      CountingAllocator allocator;
      allocator.FailAllocation(n);
      sObject* object = nullptr;
      bool loaded;
      if (fromFile) {
        const int32_t result = LoadDBOEx(const_cast<char*>(path.c_str()), &object);
        loaded = result == dbo::kLoadSucceeded;
        if (!loaded && result != dbo::kLoadFileUnreadable && result != dbo::kLoadNotAnObject) {
          ADD_FAILURE() << "LoadDBOEx gave " << result;
        }
      } else {
        loaded = DBOConvertBlockToObject(ToHostAddress(block.data()),
                                         static_cast<uint32_t>(block.size()), &object);
      }
      const bool failureHappened = allocator.failureHappened();
      allocator.FailAllocation(0);
      std::string fault;
      if (loaded) {
        fault = CheckObjectStructure(object);
        if (fault.empty() && BlockOf(object) != block) fault = "loaded a different object";
        ReleaseObject(object);
      } else if (object) {
        fault = "a failed load stored an object";
      }
      if (!fault.empty() || allocator.liveBlocks() != 0) {
        ++faults;
        ADD_FAILURE() << (fromFile ? "LoadDBOEx" : "DBOConvertBlockToObject") << " allocation " << n
                      << " failing: " << fault << " (" << allocator.liveBlocks()
                      << " blocks leaked)";
      }
      if (!failureHappened) {
        EXPECT_TRUE(loaded) << "nothing failed, yet the load did";
        break;
      }
    }
  }
}

}  // namespace
}  // namespace korva::testing
