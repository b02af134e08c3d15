#include "support/file_document.h"

#if KORVA_WITH_GLTF
#include "gltf/build/gltf_import.h"
#endif
#include "support/file_kind.h"
#include "support/ms3d_report.h"
#include "support/object_report.h"
#include "support/skipped_blocks.h"
#include "text/utf8_text.h"

namespace korva::cli {
namespace {

const char* KindName(FileKind kind) {
  return kind == FileKind::kMs3d ? "imported ms3d" : kind == FileKind::kGltf ? "gltf" : "dbo";
}

}  // namespace

HostSession& DocumentLoader::Session() {
  if (!session_) session_ = std::make_unique<HostSession>(nullptr);
  return *session_;
}

void DocumentLoader::Write(const std::string& path, DocumentStream& out) {
  const InputFile input = ReadInput(path);
  if (input.kind == FileKind::kMs3d && !importModels_) {
    msModel model;
    Ms3dAccount account;
    LoadMs3dModel(input, &model, &account);
    WriteMs3dDocument(path, model, account, kDocumentFormatVersion, out);
    out.End();
    return;
  }
  VisitObject(input, [&](const InputFile& input, const LoadedObject& loaded) {
    const sObject& object = loaded.object;
    // The members in name order, as the whole document prints them.
    out.BeginObject();
    if (input.kind == FileKind::kGltf) {
      out.Key("clips");
      out.Value(loaded.clips);
      out.Key("extensions");
      out.Value(loaded.extensions);
    }
    out.Key("file");
    out.Value(text::Utf8Text(path));
    out.Key("formatVersion");
    out.Value(kDocumentFormatVersion);
    out.Key("kind");
    out.Value(KindName(input.kind));
    out.Key("object");
    WriteObjectDocument(path, object, out);
    out.Key("size");
    out.Value(input.bytes.size());
    if (input.kind == FileKind::kDbo) {
      out.Key("skippedBlocks");
      out.Value(SkippedBlocksDocument(loaded.skipped));
    }
    out.EndObject();
  });
  out.End();
}

void DocumentLoader::VisitObject(
    const InputFile& input,
    const std::function<void(const InputFile&, const LoadedObject&)>& onObject) {
  HostSession& session = Session();
  std::vector<dbo::SkippedBlock> skipped;
  nlohmann::json clipList = nlohmann::json::array();
  nlohmann::json extensionList = nlohmann::json::array();
#if KORVA_WITH_GLTF
  std::vector<gltf::AnimationClip> clips;
  std::vector<gltf::doc::ExtensionUse> extensions;
  const int32_t number = session.LoadAny(input, 1, &skipped, &clips, &extensions);
  for (const gltf::doc::ExtensionUse& use : extensions) {
    extensionList.push_back({{"fate", gltf::doc::FateName(use.fate)},
                             {"name", text::Utf8Text(use.name)},
                             {"note", use.note},
                             {"required", use.required}});
  }
  for (const gltf::AnimationClip& clip : clips) {
    clipList.push_back({{"animation", clip.animation},
                        {"firstFrame", clip.firstFrame},
                        {"lastFrame", clip.lastFrame},
                        {"name", text::Utf8Text(clip.name)}});
  }
#else
  const int32_t number = session.LoadAny(input, 1, &skipped);
#endif
  try {
    onObject(input, LoadedObject{*session.object(number), skipped, clipList, extensionList});
  } catch (...) {
    session.Release(number);
    throw;
  }
  session.Release(number);
  session.DropNotices();
}

}  // namespace korva::cli
