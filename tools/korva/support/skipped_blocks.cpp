#include "support/skipped_blocks.h"

#include <map>

namespace korva::cli {

std::string SkippedBlocksText(const std::vector<dbo::SkippedBlock>& skipped) {
  if (skipped.empty()) return {};
  std::map<uint32_t, size_t> countByCode;
  for (const dbo::SkippedBlock& block : skipped) ++countByCode[block.code];
  std::string codes;
  if (countByCode.size() == 1) {
    codes = "code " + std::to_string(countByCode.begin()->first);
  } else {
    for (const auto& [code, count] : countByCode) {
      if (!codes.empty()) codes += ", ";
      codes += std::to_string(count) + " of code " + std::to_string(code);
    }
  }
  return std::to_string(skipped.size()) + (skipped.size() == 1 ? " block" : " blocks") +
         " of an unknown kind skipped (" + codes + ")";
}

nlohmann::json SkippedBlocksDocument(const std::vector<dbo::SkippedBlock>& skipped) {
  nlohmann::json list = nlohmann::json::array();
  for (const dbo::SkippedBlock& block : skipped) {
    list.push_back({{"code", block.code}, {"size", block.size}, {"offset", block.offset}});
  }
  return list;
}

}  // namespace korva::cli
