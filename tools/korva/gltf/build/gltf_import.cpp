#include "gltf/build/gltf_import.h"

#include <new>

#include "gltf/build/gltf_importer.h"
#include "gltf/read/gltf_draco_primitives.h"
#include "model/host_heap.h"
#include "text/utf8_text.h"

namespace korva::gltf {
namespace {

void Release(sObject* object) {
  if (!object) return;
  ReleaseObjectRecords(object);
  HostFree(object);
}

}  // namespace

ImportedAsset::~ImportedAsset() {
  Release(object);
}

sObject* ImportedAsset::Take() {
  sObject* taken = object;
  object = nullptr;
  return taken;
}

Importer::Importer(doc::Document& document, const ImportOptions& options,
                   const doc::ResourceReader& read, ImportedAsset* out)
    : document_(document), options_(options), read_(read), out_(out) {}

uint64_t Importer::MemoryLimit() const {
  return 64 * document_.assetBytes + options_.memoryAllowance;
}

bool Importer::Fits(uint64_t bytes) {
  const uint64_t limit = MemoryLimit();
  charged_ += bytes;
  return bytes <= limit && charged_ <= limit;
}

void Importer::FailOverBudget(const std::string& what) {
  const uint64_t limit = MemoryLimit();
  Fail(what + " would need more memory than the asset can justify (" + std::to_string(limit >> 20) +
       " MiB)");
}

void Importer::Charge(uint64_t bytes, const std::string& what) {
  if (!Fits(bytes)) FailOverBudget(what);
}

void Importer::NoteStride(int accessor, const std::string& use) {
  if (accessor < 0 || static_cast<size_t>(accessor) >= document_.accessors.size()) return;
  const int view = document_.accessors[static_cast<size_t>(accessor)].bufferView;
  if (view < 0 || static_cast<size_t>(view) >= document_.bufferViews.size() ||
      document_.bufferViews[static_cast<size_t>(view)].byteStride == 0 ||
      !stridedViews_.insert(view).second) {
    return;
  }
  Warn("bufferViews[" + std::to_string(view) + "] has a byte stride but holds " + use +
       ", not vertex attributes; read with the stride");
}

void Importer::Run() {
  doc::DracoFailure draco;
  // The decoding library, which sizes some of its tables from the stream, within the same limit.
  if (!doc::DecodeDracoPrimitives(
          &document_, [&](uint64_t bytes) { return Fits(bytes); }, MemoryLimit(), &draco)) {
    if (draco.overBudget) FailOverBudget(draco.where);
    Fail(draco.where + ": " + draco.problem);
  }

  object_ = NewObject();
  if (!object_) throw std::bad_alloc();
  out_->object = object_;
  BuildFrames();
  BuildMeshes();
  BuildAnimation();
}

namespace {

bool Import(const uint8_t* bytes, size_t size, const doc::ResourceReader& read,
            const ImportOptions& options, ImportedAsset* out, std::string* error) {
  Release(out->Take());
  out->images.clear();
  out->imageFiles.clear();
  out->warnings.clear();
  out->clips.clear();
  out->extensions.clear();
  if (!(options.framesPerSecond > 0)) {
    *error = "the frame rate must be more than 0";
    return false;
  }
  doc::Document document;
  if (!doc::ParseDocument(bytes, size, read, &document, error, &out->warnings)) return false;
  out->extensions = document.extensions;
  document.decodeAllowance = options.memoryAllowance;
  try {
    Importer(document, options, read, out).Run();
    return true;
  } catch (const ImportFailure& failure) {
    *error = failure.text;
  } catch (const std::bad_alloc&) {
    *error = "not enough memory to build the object";
  }
  Release(out->Take());
  out->images.clear();
  out->clips.clear();
  out->extensions.clear();
  return false;
}

}  // namespace

bool ImportGltf(const uint8_t* bytes, size_t size, const doc::ResourceReader& read,
                const ImportOptions& options, ImportedAsset* out, std::string* error) {
  const bool imported = Import(bytes, size, read, options, out, error);
  // Messages quote the asset's own strings (names, extensions, URIs), which may hold line breaks.
  for (std::string& warning : out->warnings) warning = text::OneLine(warning);
  if (!imported) *error = text::OneLine(*error);
  return imported;
}

}  // namespace korva::gltf
