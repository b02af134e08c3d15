// Benchmarks over real models (files made by people, not by the bench's generator): the whole
// import beside the peer's, and loading the DBO file of the imported object beside a memcpy of
// that file's bytes, each with its allocations and page faults per call.
#pragma once

#include <string>
#include <vector>

namespace korva::bench {

// Registers "<operation>/<name>" for each model: real_import, real_peer_import, real_load_dbo and
// real_memcpy. Each model is copied to the scratch directory first, so both importers read it from
// memory and neither finds its textures (texture decoding is the host's, and the peer reads none).
// A model that cannot be read is registered as one benchmark that reports the error.
void RegisterRealModels(const std::vector<std::string>& paths);

// The .ms3d files of the shared test models, then those of the bundled examples (each folder
// sorted by name; none from a folder that is missing).
std::vector<std::string> DefaultRealModels();

}  // namespace korva::bench
