// How korva tells users about the blocks of a DBO file that the reader passed over: data of a newer
// writer that the loaded object, and so any file saved from it, does not hold.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "dbo/block_reader.h"

namespace korva::cli {

// "6 blocks of an unknown kind skipped (code 167)"; with several codes each is named with its
// count, in code order: "(5 of code 167, 1 of code 170)". Empty when nothing was skipped.
std::string SkippedBlocksText(const std::vector<dbo::SkippedBlock>& skipped);

// The list as `dump --json` prints it: [{code, size, offset}] in file order.
nlohmann::json SkippedBlocksDocument(const std::vector<dbo::SkippedBlock>& skipped);

}  // namespace korva::cli
