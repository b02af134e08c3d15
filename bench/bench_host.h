// The one standalone host every benchmark runs on, bound like the real host, with notices going to
// a sink that drops them (a notice must cost nothing but its formatting).
#pragma once

#include <cstdint>

#include "bench_models.h"
#include "model/object.h"
#include "standalone/standalone_host.h"

namespace korva::bench {

// Created and bound on first use; lives until the program ends.
standalone::StandaloneHost& Host();

// Object number the import benchmarks build into and release again.
constexpr int32_t kScratchObject = 1;

// The imported object of that model, kept for the whole run (built on first use). Null when the
// import failed.
sObject* ImportedObject(ModelKind kind, int size);

// Imports the file as object `number` through the LoadMilkshape export; the object or null.
sObject* ImportFile(const char* path, int32_t number);

}  // namespace korva::bench
