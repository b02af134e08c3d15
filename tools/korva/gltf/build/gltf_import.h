// A glTF 2.0 asset (.glb or .gltf) as a host object: its default scene's nodes as frames, each
// mesh primitive as a mesh, skins as bones and one animation as the animation set, mirrored from
// glTF's right-handed, column-vector space into the host's left-handed, row-vector one (the inverse
// of what the exporter does), so `korva render` shows the side a glTF viewer shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gltf/read/gltf_document.h"
#include "model/object.h"

namespace korva::gltf {

struct ImportOptions {
  double framesPerSecond = 25.0;  // key frame = time x framesPerSecond; must be > 0
  // The one animation to import, from frame 0: its name or its index; empty for all of them, one
  // clip after the other.
  std::string animation;
  // Images held inside the asset are named `<imageStem>_<n>.<ext>`.
  std::string imageStem = "model";
  // Prefixed to the path of an image file beside the asset, so the object names it as seen from
  // where its DBO file will be (empty when that is the asset's own folder).
  std::string externalImagePrefix;
  // What the object may take beyond 64 bytes per byte of the asset (its file and external
  // buffers): a mesh used by many nodes is copied for each, and keys are sampled at every frame,
  // so a small file could otherwise ask for any amount.
  uint64_t memoryAllowance = uint64_t{256} << 20;
};

// An image the asset holds inside itself, to be written beside the DBO file under `fileName`.
struct EmbeddedImage {
  std::string fileName;
  std::vector<uint8_t> bytes;
};

// One glTF animation as a clip of the animation set's timeline: the animation's times 0 to its
// last key's play as frames firstFrame to lastFrame, and the next clip starts a frame later.
struct AnimationClip {
  std::string name;      // the animation's name, or "animation<N>" when it has none
  size_t animation = 0;  // its index in the asset
  int32_t firstFrame = 0;
  int32_t lastFrame = 0;
};

struct ImportedAsset {
  ImportedAsset() = default;
  ~ImportedAsset();
  ImportedAsset(const ImportedAsset&) = delete;
  ImportedAsset& operator=(const ImportedAsset&) = delete;

  // Hands the object over (the caller then releases it); null once taken.
  sObject* Take();

  sObject* object = nullptr;  // owned until taken
  std::vector<EmbeddedImage> images;
  std::vector<std::string> imageFiles;  // image files the object names, relative to the asset
  std::vector<std::string> warnings;    // what was read despite a fault, dropped or changed; one
                                        // line each
  std::vector<AnimationClip> clips;     // in timeline order
  std::vector<doc::ExtensionUse> extensions;  // used or required, with what became of each
};

// Reads the asset from its bytes (external buffers and images through `read`, relative to the
// asset's folder). On success `out` holds a complete object built with the model's constructors
// from the host heap. On failure `*error` says in one line what is wrong and nothing stays
// allocated.
bool ImportGltf(const uint8_t* bytes, size_t size, const doc::ResourceReader& read,
                const ImportOptions& options, ImportedAsset* out, std::string* error);

}  // namespace korva::gltf
