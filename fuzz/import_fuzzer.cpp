// The whole import on the standalone host: the input is written to a temporary model file and
// imported through LoadMilkshape, bound the way the host binds. An imported object must pass the
// import checks (every index and bone vertex inside its mesh); releasing the host must free all
// that the import made; and the import succeeds exactly when `korva check` would call the bytes
// well formed (the reader, then CheckImportable).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "host/exports.h"
#include "import/model_checks.h"
#include "ms3d/ms_model.h"
#include "standalone/standalone_host.h"
#include "support/object_checks.h"

namespace {
std::string g_modelPath;

bool WriteModel(const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(g_modelPath.c_str(), "wb");
  if (!file) return false;
  const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* directory = std::getenv("TMPDIR");
  g_modelPath = std::string(directory ? directory : "/tmp") + "/korva-import-fuzz-" +
                std::to_string(::getpid()) + ".ms3d";
  std::atexit([] { std::remove(g_modelPath.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!WriteModel(data, size)) korva::fuzz::Fail("cannot write the model file " + g_modelPath);
  bool imported = false;
  korva::fuzz::CountedRun run(size);
  {
    korva::standalone::StandaloneHost host;
    host.Bind();
    constexpr int32_t kNumber = 1;
    LoadMilkshape(korva::ToHostAddress(g_modelPath.c_str()), kNumber);
    if (const korva::sObject* object = host.GetObject(kNumber)) {
      imported = true;
      korva::fuzz::ExpectSound(korva::testing::CheckImportedObject(object), "imported object");
    }
  }
  {
    korva::msModel model;
    const bool wellFormed =
        model.LoadFromMemory(data, size) && korva::import::CheckImportable(model).importable();
    if (wellFormed != imported) {
      korva::fuzz::Fail(wellFormed ? "check accepts a model that the import refuses"
                                   : "check refuses a model that the import accepts");
    }
  }
  return 0;
}
