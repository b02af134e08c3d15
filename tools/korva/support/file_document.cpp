#include "support/file_document.h"

#include "support/file_kind.h"
#include "support/ms3d_report.h"
#include "support/object_report.h"
#include "support/skipped_blocks.h"

namespace korva::cli {

HostSession& DocumentLoader::Session() {
  if (!session_) session_ = std::make_unique<HostSession>(nullptr);
  return *session_;
}

nlohmann::json DocumentLoader::Load(const std::string& path) {
  const InputFile input = ReadInput(path);
  const FileKind kind = input.kind;
  if (kind == FileKind::kMs3d && !importModels_) {
    msModel model;
    Ms3dAccount account;
    LoadMs3dModel(input, &model, &account);
    nlohmann::json document = Ms3dDocument(path, model, account);
    document["formatVersion"] = kDocumentFormatVersion;
    return document;
  }
  HostSession& session = Session();
  std::vector<dbo::SkippedBlock> skipped;
  const int32_t number =
      kind == FileKind::kMs3d ? session.ImportMs3d(input) : session.LoadDbo(input, 1, &skipped);
  nlohmann::json document;
  try {
    document = {{"formatVersion", kDocumentFormatVersion},
                {"file", path},
                {"kind", kind == FileKind::kMs3d ? "imported ms3d" : "dbo"},
                {"size", input.bytes.size()},
                {"object", ObjectDocument(path, *session.object(number))}};
    if (kind != FileKind::kMs3d) document["skippedBlocks"] = SkippedBlocksDocument(skipped);
  } catch (...) {
    session.Release(number);
    throw;
  }
  session.Release(number);
  session.DropNotices();
  return document;
}

}  // namespace korva::cli
