// A standalone host with the DLL bound to it through the DLL's own ReceiveCoreDataPtr, the boxes
// of earlier tests forgotten; Import runs "KV Load Milkshape" through the export.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "message_boxes.h"
#include "model/object.h"
#include "plugin_library.h"
#include "standalone/standalone_host.h"

namespace korva::wintest {

struct BoundHost {
  BoundHost() {
    Plugin().ReceiveCoreDataPtr(host.coreData());
    TakeMessageBoxes();
  }
  sObject* Import(const std::string& path, int32_t number) {
    Plugin().LoadMilkshape(korva::ToHostAddress(path.c_str()), number);
    return host.GetObject(number);
  }
  standalone::StandaloneHost host;
};

// The real model files beside the checkout, as a Windows path (Wine's drive Z: is the root).
inline const std::string kSharedModels = std::string("Z:") + KORVA_SHARED_DIR + "/testdata/ms3d/";

// True when the real model files are there; tests that need them are skipped otherwise, as on
// Linux.
inline bool SharedModelsPresent() {
  std::FILE* file = std::fopen((kSharedModels + "Model.ms3d").c_str(), "rb");
  if (file) std::fclose(file);
  return file != nullptr;
}

}  // namespace korva::wintest
