#include "hardening/outcomes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <stdexcept>

#include "dbo/result_codes.h"
#include "host/exports.h"
#include "import/model_checks.h"
#include "model/host_heap.h"
#include "model/object.h"
#include "ms3d/ms3d_account.h"
#include "ms3d/ms_model.h"
#include "platform/notice.h"
#include "standalone/standalone_host.h"
#include "support/address_sanitizer.h"
#include "support/counting_allocator.h"
#include "support/object_checks.h"

namespace korva::testing {
namespace {

// Thousands of damaged inputs each show notices; the standalone host collects its own while it
// lives and restores this sink afterwards.
void DropNotice(const char*, const char*, void*) {}
const bool kNoticesDropped = (platform::SetNoticeSink(&DropNotice, nullptr), true);

}  // namespace

void ReleaseObject(sObject* object) {
  ReleaseObjectRecords(object);
  HostFree(object);
}

// Thousands of short-lived inputs would otherwise fill the 32-bit address space with the
// sanitizer's quarantine of freed blocks.
#if KORVA_ADDRESS_SANITIZER
extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=32";
}
#endif

namespace {

const uint8_t* BlockAt(HostAddress address) {
  return FromHostAddress<const uint8_t>(address);
}

// What the allocator saw once the run is over: every block freed, the peak within the bound.
std::string AllocationFault(const CountingAllocator& allocator, size_t inputSize) {
  if (allocator.liveBlocks() != 0) {
    return std::to_string(allocator.liveBlocks()) + " blocks (" +
           std::to_string(allocator.liveBytes()) + " bytes) leaked";
  }
  if (allocator.peakBytes() > AllocationBound(inputSize)) {
    return "peak of " + std::to_string(allocator.peakBytes()) + " bytes for " +
           std::to_string(inputSize) + " input bytes";
  }
  return "";
}

// Reads a block, checks the object and writes it back; `written` receives the new block.
std::string ReadCheckWrite(const uint8_t* block, uint32_t size, bool* loaded,
                           std::vector<uint8_t>* written) {
  sObject* object = nullptr;
  *loaded = DBOConvertBlockToObject(ToHostAddress(block), size, &object);
  if (!*loaded) return object ? "a failed load stored an object" : "";
  std::string fault = CheckObjectStructure(object);
  HostAddress address = 0;
  uint32_t writtenSize = 0;
  if (fault.empty() && !DBOConvertObjectToBlock(object, &address, &writtenSize)) {
    fault = "a loaded object did not write";
  }
  ReleaseObject(object);
  if (address) {
    written->assign(BlockAt(address), BlockAt(address) + writtenSize);
    HostFree(const_cast<uint8_t*>(BlockAt(address)));
  }
  return fault;
}

}  // namespace

std::string ScratchPath(const std::string& name) {
  // A folder of this process's own: a texture the model names but that is not there sends the
  // import through a listing of the model's folder, and a shared folder that other test programs
  // fill and empty meanwhile would change the allocations it makes from one run to the next.
  static const std::string folder = [] {
    const std::string made =
        ::testing::TempDir() + "korva-hardening-" + std::to_string(::getpid()) + "/";
    ::mkdir(made.c_str(), 0700);
    return made;
  }();
  static std::set<std::string>* made = [] {
    static std::set<std::string> paths;
    std::atexit([] {
      for (const std::string& path : paths) std::remove(path.c_str());
      ::rmdir(folder.c_str());
    });
    return &paths;
  }();
  const std::string path = folder + name;
  made->insert(path);
  return path;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written =
      bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

InputBlock::InputBlock(size_t capacity)
    : block_(static_cast<uint8_t*>(std::malloc(capacity > 0 ? capacity : 1))), capacity_(capacity) {
  if (!block_) throw std::bad_alloc();
}

InputBlock::~InputBlock() {
  std::free(block_);
}

const uint8_t* InputBlock::Place(const uint8_t* bytes, size_t size) {
  if (size > capacity_) throw std::length_error("input larger than its block");
  uint8_t* start = block_ + (capacity_ - size);
  if (size > 0) std::memmove(start, bytes, size);
  return start;
}

std::string ReaderOutcome(const uint8_t* data, size_t size) {
  (void)kNoticesDropped;
  std::string fault;
  CountingAllocator allocator;
  {
    msModel model;
    Ms3dAccount account;
    if (model.LoadFromMemory(data, size, account)) {
      if (model.vertices.size() * 15 > size || model.joints.size() * 93 > size) {
        fault = "more elements than the input holds";
      }
      // The sections follow each other and end where the trailing bytes begin.
      uint64_t end = account.sectionCount > 0 ? account.sections[0].offset : 0;
      for (size_t i = 0; i < account.sectionCount; ++i) {
        if (account.sections[i].offset != end) fault = "the account's sections leave gaps";
        end = account.sections[i].offset + account.sections[i].size;
      }
      if (account.refusal.fault != Ms3dFault::kNone || end > size ||
          (!account.sectionCut && account.sectionCount > 0 &&
           end + account.trailingBytes != size)) {
        fault = "the account of an accepted model does not add up";
      }
      model.NegateVertexX();
      model.BuildBindPose();
      model.PoseAtFrame(0.0f);
    } else if (account.refusal.fault == Ms3dFault::kNone || account.refusal.offset > size) {
      fault = "a refusal without a reason within the input";
    }
  }
  if (fault.empty()) fault = AllocationFault(allocator, size);
  return fault;
}

std::string ReaderOutcome(const std::vector<uint8_t>& bytes) {
  InputBlock block(bytes.size());
  return ReaderOutcome(block.Place(bytes.data(), bytes.size()), bytes.size());
}

std::string ImportOutcome(const std::vector<uint8_t>& bytes, const std::string& path) {
  if (!WriteBytes(path, bytes)) return "cannot write " + path;
  std::string fault;
  bool imported = false;
  CountingAllocator allocator;
  {
    standalone::StandaloneHost host;
    host.Bind();
    LoadMilkshape(ToHostAddress(path.c_str()), 1);
    if (const sObject* object = host.GetObject(1)) {
      imported = true;
      fault = CheckImportedObject(object);
    } else {
      bool reported = false;
      for (const standalone::Notice& notice : host.notices()) {
        reported |= notice.caption == "Error" && notice.text == "Failed to load MS file: " + path;
      }
      if (!reported) fault = "a failed import showed no failure message";
    }
  }
  if (fault.empty()) fault = AllocationFault(allocator, bytes.size());
  // What `korva check` asks: the reader's verdict, then the import's own check.
  msModel model;
  const bool wellFormed = model.LoadFromMemory(bytes.data(), bytes.size()) &&
                          import::CheckImportable(model).importable();
  if (fault.empty() && wellFormed != imported) {
    fault = wellFormed ? "check accepts a model that the import refuses"
                       : "check refuses a model that the import accepts";
  }
  return fault;
}

std::string BlockOutcome(const uint8_t* data, size_t size) {
  std::string fault;
  CountingAllocator allocator;
  {
    bool loaded = false;
    std::vector<uint8_t> first, second;
    fault = ReadCheckWrite(data, static_cast<uint32_t>(size), &loaded, &first);
    if (fault.empty() && loaded) {
      fault = ReadCheckWrite(first.data(), static_cast<uint32_t>(first.size()), &loaded, &second);
      if (fault.empty() && !loaded) fault = "a written block did not read back";
      if (fault.empty() && first != second) fault = "the block changed on its second round trip";
    }
  }
  // Two written blocks and their objects live at once; the blocks can outgrow the input.
  if (fault.empty()) fault = AllocationFault(allocator, size * 4);
  return fault;
}

std::string BlockOutcome(const std::vector<uint8_t>& bytes) {
  InputBlock block(bytes.size());
  return BlockOutcome(block.Place(bytes.data(), bytes.size()), bytes.size());
}

std::string FileOutcome(const std::vector<uint8_t>& bytes, const std::string& path) {
  if (!WriteBytes(path, bytes)) return "cannot write " + path;
  std::string fault;
  CountingAllocator allocator;
  {
    sObject* object = nullptr;
    const int32_t result = LoadDBOEx(const_cast<char*>(path.c_str()), &object);
    if (result == dbo::kLoadSucceeded) {
      fault = object ? CheckObjectStructure(object) : "loaded without an object";
      if (object) ReleaseObject(object);
    } else if (result != dbo::kLoadNotAnObject) {
      fault = "LoadDBOEx gave " + std::to_string(result) + " for a readable file";
    } else if (object) {
      fault = "a failed load stored an object";
    }
  }
  if (fault.empty()) fault = AllocationFault(allocator, bytes.size());
  return fault;
}

std::vector<uint8_t> ImportedBlock(const std::vector<uint8_t>& model, const std::string& path) {
  std::vector<uint8_t> block;
  if (!WriteBytes(path, model)) return block;
  standalone::StandaloneHost host;
  host.Bind();
  LoadMilkshape(ToHostAddress(path.c_str()), 1);
  HostAddress address = 0;
  uint32_t size = 0;
  if (sObject* object = host.GetObject(1)) {
    if (DBOConvertObjectToBlock(object, &address, &size)) {
      block.assign(BlockAt(address), BlockAt(address) + size);
      HostFree(const_cast<uint8_t*>(BlockAt(address)));
    }
  }
  return block;
}

}  // namespace korva::testing
