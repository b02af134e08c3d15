#include <cstdint>

#include "host/export_guard.h"
#include "host/exports.h"
#include "import/import_driver.h"

extern "C" {

void LoadMilkshape(uint32_t fileName, int32_t object) {
  // The script hands the file name over as a 32-bit address.
  const char* path = reinterpret_cast<const char*>(static_cast<uintptr_t>(fileName));
  korva::Guarded([&] { korva::import::LoadMilkshapeCommand(path, object); });
}

}  // extern "C"
