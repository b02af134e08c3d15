#include <cstdint>

#include "host/export_guard.h"
#include "host/exports.h"
#include "import/import_driver.h"

extern "C" {

void LoadMilkshape(korva::HostAddress fileName, int32_t object) {
  const char* path = korva::FromHostAddress<const char>(fileName);
  korva::Guarded([&] { korva::import::LoadMilkshapeCommand(path, object); });
}

}  // extern "C"
