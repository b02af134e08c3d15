// An MS3D model as korva shows it: read with the plug-in's reader, its account and the import's
// verdict put into words, and the model as a JSON document (the shape `korva dump --json`
// prints; see the README).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "import/model_checks.h"
#include "ms3d/ms3d_account.h"
#include "ms3d/ms_model.h"
#include "support/document_stream.h"
#include "support/file_kind.h"

namespace korva::cli {

// The model as msModel read it from `path` (key times in frames), with "formatVersion", the file's
// sections and whether each texture is found beside the file, written as it is made: each vertex,
// triangle, group, material and joint is held only while written.
void WriteMs3dDocument(const std::string& path, const msModel& model, const Ms3dAccount& account,
                       int formatVersion, DocumentStream& out);

// Reads the model with msModel; throws FileError naming the path and, from the reader's account,
// what is wrong ("not a well-formed MS3D model: cut short in triangle 12 of 76 at byte 1234").
void LoadMs3dModel(const InputFile& input, msModel* model, Ms3dAccount* account);

// Throws FileError naming the path and why (ImportVerdictText) when the import would refuse the
// loaded model: the same function decides for the import.
void RequireImportable(const std::string& path, const msModel& model);

// One line for a refusal of the reader, e.g. "cut short in triangle 12 of 76 at byte 1234".
std::string Ms3dRefusalText(const Ms3dAccount& account);

// One line for what the reader dropped or left over after the last section read whole (a cut
// section, bytes after the last section); empty when the file ends with its last section.
std::string Ms3dNoteText(const Ms3dAccount& account);

// One line for why the import refuses a model, e.g. "group 2 of 3 names triangle index 9; the
// model has 5 triangles".
std::string ImportVerdictText(const import::ImportVerdict& verdict, const msModel& model);

// One line per group whose frame the import names apart from the group, because a joint has the
// group's name: `group "head" is named "head_mesh" in the object: a joint has its name`.
std::vector<std::string> GroupRenameTexts(const msModel& model);

// The text of a fixed-width name field (up to its first zero) as UTF-8 text (Utf8Text).
std::string FieldText(const char* field, size_t width);

}  // namespace korva::cli
