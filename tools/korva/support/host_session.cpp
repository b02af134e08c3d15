#include "support/host_session.h"

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "dbo/block_reader.h"
#include "dbo/block_writer.h"
#include "dbo/result_codes.h"
#if KORVA_WITH_GLTF
#include "gltf/build/gltf_import.h"
#endif
#include "host/export_guard.h"
#include "import/import_driver.h"
#include "model/host_heap.h"
#include "standalone/regular_file.h"
#include "support/cli_error.h"
#include "support/file_kind.h"
#include "support/ms3d_report.h"
#include "support/output_file.h"

namespace korva::cli {
namespace {

// The notice the import shows when it fails, caption "Error".
std::string ImportFailureText(const standalone::StandaloneHost& host) {
  for (const standalone::Notice& notice : host.notices()) {
    if (notice.caption == "Error") return FoldLineBreaks(notice.text);
  }
  return {};
}

}  // namespace

std::string NoticeLine(const std::string& caption, const std::string& text) {
  return caption + ": " + FoldLineBreaks(text::Utf8Text(text));
}

std::string FoldLineBreaks(const std::string& text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += ' ';
    } else {
      line += c;
    }
  }
  return line;
}

HostSession::HostSession(FILE* noticeStream) : noticeStream_(noticeStream) {
  // The tool's renderer decodes the textures it draws itself; the import needs to know only
  // whether each one loads.
  host_.SetTexturePixelsDecoded(false);
  host_.Bind();
}

int32_t HostSession::ImportMs3d(const InputFile& input, int32_t number) {
  const std::string& path = input.path;
  if (host_.GetObject(number)) throw FileError(path, "object number in use");
  host_.SetErrorCode(0);
  // The import the LoadMilkshape command runs, from the bytes already read or from the file held
  // open: the file is opened once, so a file replaced in between is no trouble.
  Guarded([&] {
    if (!input.file) {
      import::LoadMilkshapeFromMemory(input.bytes.data(), input.bytes.size(), path.c_str(), number);
      return;
    }
    // Read in order a piece at a time, so the file's bytes are never all in memory beside the
    // model and the object made of them.
    const standalone::RegularFile& file = *input.file;
    uint64_t offset = 0;
    const msByteSource source = [&file, &offset](uint8_t* out, size_t size) -> size_t {
      const int64_t got = file.ReadAt(offset, out, size);
      if (got <= 0) return 0;
      offset += static_cast<uint64_t>(got);
      return static_cast<size_t>(got);
    };
    import::LoadMilkshapeFromSource(source, static_cast<size_t>(file.size()), path.c_str(), number);
  });
  const std::string failure = ImportFailureText(host_);
  if (!host_.GetObject(number) || !failure.empty()) {
    host_.DeleteObject(number);
    DropNotices();
    // The export says only yes or no; the reader's account and the import's own check, asked
    // again, say why in the words of `korva check`. What they do not explain is the host's.
    msModel model;
    Ms3dAccount account;
    if (input.file) {
      LoadMs3dModel(InputFile{path, ReadOpenedInput(input), input.kind, nullptr}, &model, &account);
    } else {
      LoadMs3dModel(input, &model, &account);
    }
    RequireImportable(path, model);
    throw FileError(path, "import failed" + (failure.empty() ? std::string() : ": " + failure));
  }
  return number;
}

int32_t HostSession::LoadDbo(const InputFile& input, int32_t number,
                             std::vector<dbo::SkippedBlock>* skipped) {
  const std::string& path = input.path;
  sObject* loaded = nullptr;
  // What LoadDBOEx does once it has the file's block, from the bytes already read, asked also for
  // the blocks it passes over, which the export has no way to hand out.
  const uint8_t* begin = input.bytes.data();
  std::vector<dbo::SkippedBlock> passedOver;
  const dbo::ReadResult result = Guarded(dbo::ReadResult::kDamaged, [&] {
    return dbo::ReadObjectBlock(begin, begin + input.bytes.size(), &loaded, nullptr, &passedOver);
  });
  if (result != dbo::ReadResult::kLoaded || !loaded) {
    if (loaded) standalone::StandaloneHost::ReleaseWholeObject(loaded);
    DropNotices();
    throw FileError(path, "not a well-formed DBO file (bad header or damaged content)");
  }
  if (!host_.AdoptObject(number, loaded)) {
    standalone::StandaloneHost::ReleaseWholeObject(loaded);
    throw FileError(path, "the host refused the loaded object");
  }
  if (skipped) *skipped = std::move(passedOver);
  return number;
}

std::string HostSession::ImageStemOf(const std::string& path) {
  const std::string stem = std::filesystem::path(path).stem().string();
  return stem.empty() ? "model" : stem;
}

#if KORVA_WITH_GLTF
int32_t HostSession::LoadGltf(const InputFile& input, int32_t number,
                              const gltf::ImportOptions& options,
                              std::vector<gltf::EmbeddedImage>* images,
                              std::vector<std::string>* besideAsset,
                              std::vector<gltf::AnimationClip>* clips,
                              std::vector<gltf::doc::ExtensionUse>* extensions) {
  const std::string& path = input.path;
  if (host_.GetObject(number)) throw FileError(path, "object number in use");
  // The reader hands over paths already checked to stay inside the asset's folder.
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  const gltf::doc::ResourceReader read =
      [&folder](const std::string& relative, std::vector<uint8_t>* bytes, std::string* problem) {
        const std::string file = (folder / relative).string();
        const auto result = standalone::ReadRegularFile(file, kMaxInputSize, bytes, problem);
        if (result == standalone::FileReadResult::kRead) return true;
        if (problem->empty()) *problem = "cannot be read";
        return false;
      };
  gltf::ImportedAsset asset;
  std::string error;
  if (!gltf::ImportGltf(input.bytes.data(), input.bytes.size(), read, options, &asset, &error)) {
    throw FileError(path, error);
  }
  sObject* object = asset.Take();
  if (!host_.AdoptObject(number, object)) {
    standalone::StandaloneHost::ReleaseWholeObject(object);
    throw FileError(path, "the host refused the object read");
  }
  for (const std::string& warning : asset.warnings) warnings_.push_back(path + ": " + warning);
  for (const gltf::AnimationClip& clip : asset.clips) readerNotices_.push_back(ClipText(clip));
  if (images) *images = std::move(asset.images);
  if (besideAsset) *besideAsset = std::move(asset.imageFiles);
  if (clips) *clips = std::move(asset.clips);
  if (extensions) *extensions = std::move(asset.extensions);
  return number;
}

std::string ClipText(const gltf::AnimationClip& clip) {
  return "clip " + nlohmann::json(text::Utf8Text(clip.name)).dump() + " (animation " +
         std::to_string(clip.animation) + "): frames " + std::to_string(clip.firstFrame) + " to " +
         std::to_string(clip.lastFrame);
}

std::string ExtensionText(const gltf::doc::ExtensionUse& use) {
  return use.name + (use.required ? " (required): " : " (used): ") + gltf::doc::FateName(use.fate) +
         ": " + use.note;
}
#endif

int32_t HostSession::LoadAny(const InputFile& input, int32_t number,
                             std::vector<dbo::SkippedBlock>* skipped,
                             std::vector<gltf::AnimationClip>* clips,
                             std::vector<gltf::doc::ExtensionUse>* extensions) {
  if (input.kind == FileKind::kMs3d) return ImportMs3d(input, number);
  if (input.kind == FileKind::kGltf) {
#if KORVA_WITH_GLTF
    gltf::ImportOptions options;
    options.imageStem = ImageStemOf(input.path);
    std::vector<gltf::EmbeddedImage> images;
    LoadGltf(input, number, options, &images, nullptr, clips, extensions);
    for (gltf::EmbeddedImage& image : images) {
      heldImages_.push_back({image.fileName, std::move(image.bytes)});
    }
    return number;
#else
    (void)clips;
    (void)extensions;
    throw FileError(input.path, "this build of korva reads no glTF assets");
#endif
  }
  return LoadDbo(input, number, skipped);
}

uint64_t HostSession::SaveDbo(int32_t number, const std::string& path) {
  sObject* object = host_.GetObject(number);
  if (!object) throw FileError(path, "nothing to save");
  // What SaveDBOEx writes, byte for byte, measured first so that an object that cannot be
  // written leaves the output untouched, then written in order through the one writer every
  // output of korva uses, without the whole block in memory.
  dbo::BlockPlan plan;
  if (!dbo::PlanObjectBlock(object, &plan)) {
    throw FileError(path, "the object cannot be converted to a DBO block");
  }
  OutputFile output(path);
  const bool written =
      dbo::StreamObjectBlock(*object, plan, [&output](const uint8_t* data, size_t size) {
        output.Write(data, size);
        return true;
      });
  if (!written) throw FileError(path, "the object cannot be converted to a DBO block");
  return output.Commit();
}

void HostSession::PrintNotices() {
  if (noticeStream_) {
    for (const standalone::Notice& notice : host_.notices()) {
      std::fprintf(noticeStream_, "%s\n", NoticeLine(notice.caption, notice.text).c_str());
    }
    for (const std::string& text : readerNotices_) {
      std::fprintf(noticeStream_, "%s\n", NoticeLine("Info", text).c_str());
    }
    std::fflush(noticeStream_);
  }
  DropNotices();
}

}  // namespace korva::cli
