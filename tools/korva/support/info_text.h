// The summaries `korva info` prints, made straight from what was read: the model and the reader's
// account, or the object the plug-in loaded. No JSON document is built for them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbo/block_reader.h"
#include "model/object.h"
#include "ms3d/ms3d_account.h"
#include "ms3d/ms_model.h"

namespace korva::cli {

// Counts, animation, names (as JSON strings), textures found beside `path` or not, the sections
// and the reader's note.
std::string Ms3dSummaryText(const std::string& path, const msModel& model,
                            const Ms3dAccount& account);

// Counts, frame names, textures found beside `path` or not, animation sets and sections of a
// loaded DBO file of `fileSize` bytes, and the blocks of unknown codes its reader skipped. A file
// of another `kind` (a glTF asset read as an object) names it; textures named in `heldInside`
// are images the file holds itself.
std::string ObjectSummaryText(const std::string& path, uint64_t fileSize, const sObject& object,
                              const std::vector<dbo::SkippedBlock>& skipped,
                              const std::string& kind = "DBO file",
                              const std::vector<std::string>& heldInside = {});

}  // namespace korva::cli
