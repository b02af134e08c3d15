// A host object (a loaded DBO file or an imported model) as a JSON document: the shape
// `korva dump --json` prints for DBO files (see the README).
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "model/object.h"
#include "support/document_stream.h"

namespace korva::cli {

// The frame tree as a flat list in depth-first order (child before sibling) with parent indices,
// so a deep tree needs no deep recursion to walk or print; the meshes with their counts, FVF,
// material, textures (and whether each is found beside `path`) and bones; every animation set
// with its tracks' key counts; the custom data size. Written as it is made, one element at a time.
void WriteObjectDocument(const std::string& path, const sObject& object, DocumentStream& out);

}  // namespace korva::cli
