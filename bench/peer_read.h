// The peer library's import, as every peer row of the benchmarks makes it: the file read without
// post-processing steps.
#pragma once

#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <string>

namespace korva::bench {

// Reads `path` with `importer`; on the first failure `error` (empty until then) gets its message.
inline void PeerRead(Assimp::Importer& importer, const std::string& path, std::string& error) {
  if (!importer.ReadFile(path, 0) && error.empty()) {
    error = importer.GetErrorString();
    if (error.empty()) error = "no scene";
  }
}

}  // namespace korva::bench
