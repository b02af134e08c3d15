// The standalone host with the plug-in bound to it, as every subcommand that needs the plug-in
// uses it: import MS3D models, load and save DBO files, pass the plug-in's notices on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "dbo/block_reader.h"
#include "model/object.h"
#include "standalone/standalone_host.h"
#include "support/file_kind.h"

namespace korva::gltf {
struct AnimationClip;
struct EmbeddedImage;
struct ImportOptions;
namespace doc {
struct ExtensionUse;
}  // namespace doc
}  // namespace korva::gltf

namespace korva::cli {

// A host object keeps no frame rate: an object loaded from a DBO file plays (`render --animate`)
// and exports its keys at this many frames a second unless told otherwise.
constexpr float kObjectFramesPerSecond = 25.0f;

// An image a glTF asset holds inside itself: the name the object gives it, and its bytes.
struct HeldImage {
  std::string name;
  std::vector<uint8_t> bytes;
};

class HostSession {
 public:
  // Binds the plug-in. Notices print to `noticeStream` as "Info: text" (line breaks folded) when
  // PrintNotices is called; a null stream keeps them quiet.
  explicit HostSession(FILE* noticeStream);

  // Imports the model as LoadMilkshape does, from the bytes read, as object `number` (which must
  // be free) and returns it. Throws FileError naming the path and the reason when the import fails
  // (nothing is left).
  int32_t ImportMs3d(const InputFile& input, int32_t number = 1);

  // Loads a DBO file as LoadDBOEx does, from the bytes read, and hands the object to the host as
  // `number`; returns it. With `skipped`, lists there the blocks of unknown codes the reader
  // passed over. Throws FileError (not a DBO file, damaged content).
  int32_t LoadDbo(const InputFile& input, int32_t number = 1,
                  std::vector<dbo::SkippedBlock>* skipped = nullptr);

  // Reads a glTF asset as an object, its external buffers and images from the asset's folder, and
  // hands it to the host as `number`; returns it. The images the asset holds inside go to
  // `images` (to be written beside the DBO file under their names); the reader's warnings are kept
  // for TakeWarnings. Throws FileError (what is wrong, in one line). Only in builds with glTF.
  // `besideAsset` gets the paths (relative to the asset's folder) of the image files it names,
  // `clips` the clips of its animation set; each clip is also a notice (ClipText). `extensions`
  // gets the extensions the asset uses and what became of each.
  int32_t LoadGltf(const InputFile& input, int32_t number, const gltf::ImportOptions& options,
                   std::vector<gltf::EmbeddedImage>* images = nullptr,
                   std::vector<std::string>* besideAsset = nullptr,
                   std::vector<gltf::AnimationClip>* clips = nullptr,
                   std::vector<gltf::doc::ExtensionUse>* extensions = nullptr);

  // The stem that names the images held inside a glTF asset read for `path` ("model" for
  // "model.dbo": model_0.png, ...).
  static std::string ImageStemOf(const std::string& path);

  // What the glTF reader said about the inputs loaded since the last call: one line each.
  std::vector<std::string> TakeWarnings() { return std::move(warnings_); }

  // The images held inside the glTF assets LoadAny read since the last call, for a renderer that
  // has no file to find them in.
  std::vector<HeldImage> TakeHeldImages() { return std::move(heldImages_); }

  // ImportMs3d, LoadDbo or LoadGltf (default options) by the input's kind (`skipped` is left
  // alone for kinds other than DBO, `clips` and `extensions` for kinds other than glTF).
  int32_t LoadAny(const InputFile& input, int32_t number = 1,
                  std::vector<dbo::SkippedBlock>* skipped = nullptr,
                  std::vector<gltf::AnimationClip>* clips = nullptr,
                  std::vector<gltf::doc::ExtensionUse>* extensions = nullptr);

  // Saves the object as SaveDBOEx would, byte for byte, through WriteOutputFile (a failure never
  // leaves a half-written or missing output). Returns the size written. Throws FileError naming
  // `path`.
  uint64_t SaveDbo(int32_t number, const std::string& path);

  sObject* object(int32_t number) const { return host_.GetObject(number); }
  void Release(int32_t number) { host_.DeleteObject(number); }

  // Prints the notices collected since the last call (see the constructor) and forgets them.
  void PrintNotices();
  // Forgets the collected notices unprinted (after a failure, whose one line says it all).
  void DropNotices() {
    host_.ClearNotices();
    readerNotices_.clear();
  }

  standalone::StandaloneHost& host() { return host_; }

 private:
  // The image texture device: korva needs no display, and finds and decodes textures alike on
  // every system.
  standalone::StandaloneHost host_{standalone::HostDevice::kImageFiles};
  FILE* noticeStream_;
  std::vector<std::string> readerNotices_;  // the glTF reader's, printed after the plug-in's
  std::vector<std::string> warnings_;
  std::vector<HeldImage> heldImages_;
};

// One clip of a glTF asset's animation set, in one line: clip "Walk" (animation 1): frames 87 to
// 105. Only in builds with glTF.
std::string ClipText(const gltf::AnimationClip& clip);

// One extension a glTF asset uses and what became of it, in one line:
// KHR_lights_punctual (used): left out: the host object has no lights. Only in builds with glTF.
std::string ExtensionText(const gltf::doc::ExtensionUse& use);

// `text` with every line break (CR, LF or CR LF) folded to one space.
std::string FoldLineBreaks(const std::string& text);

// "Caption: text" with the line breaks folded, as UTF-8 text (the plug-in's notices carry the
// model's bytes).
std::string NoticeLine(const std::string& caption, const std::string& text);

}  // namespace korva::cli
