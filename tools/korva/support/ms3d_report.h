// An MS3D model as a JSON document (the shape `korva dump --json` prints; see the README).
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "ms3d/ms_model.h"
#include "support/ms3d_layout.h"

namespace korva::cli {

// The model as msModel read it from `path` (key times in frames), plus the file's sections and
// whether each texture is found beside the file.
nlohmann::json Ms3dDocument(const std::string& path, const msModel& model,
                            const Ms3dLayout& layout);

// Reads the model with msModel; throws FileError naming the path and what is wrong.
void LoadMs3dModel(const std::string& path, msModel* model, Ms3dLayout* layout);

// The text of a fixed-width name field (up to its first zero).
std::string FieldText(const char* field, size_t width);

}  // namespace korva::cli
