// What LoadDBOEx and SaveDBOEx return. The values are the host's contract: scripts compare them.
#pragma once

#include <cstdint>

namespace korva::dbo {

constexpr int32_t kLoadSucceeded = 1;
constexpr int32_t kLoadFileUnreadable = -1;  // missing, a folder, or a read error
constexpr int32_t kLoadNotAnObject = -2;     // not an object block, or a damaged one

constexpr int32_t kSaveSucceeded = 1;
constexpr int32_t kSaveCannotConvert = -2;   // the object cannot be converted to a block
constexpr int32_t kSaveFileNotWritten = -3;  // an existing file is left as it was

}  // namespace korva::dbo
