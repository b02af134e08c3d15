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

namespace korva::cli {

// A host object keeps no frame rate: an object loaded from a DBO file plays (`render --animate`)
// and exports its keys at this many frames a second unless told otherwise.
constexpr float kObjectFramesPerSecond = 25.0f;

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

  // ImportMs3d or LoadDbo by the input's kind (`skipped` is left alone for an MS3D model).
  int32_t LoadAny(const InputFile& input, int32_t number = 1,
                  std::vector<dbo::SkippedBlock>* skipped = nullptr);

  // Saves the object as SaveDBOEx would, byte for byte, through WriteOutputFile (a failure never
  // leaves a half-written or missing output). Returns the size written. Throws FileError naming
  // `path`.
  uint64_t SaveDbo(int32_t number, const std::string& path);

  sObject* object(int32_t number) const { return host_.GetObject(number); }
  void Release(int32_t number) { host_.DeleteObject(number); }

  // Prints the notices collected since the last call (see the constructor) and forgets them.
  void PrintNotices();
  // Forgets the collected notices unprinted (after a failure, whose one line says it all).
  void DropNotices() { host_.ClearNotices(); }

  standalone::StandaloneHost& host() { return host_; }

 private:
  // The image texture device: korva needs no display, and finds and decodes textures alike on
  // every system.
  standalone::StandaloneHost host_{standalone::HostDevice::kImageFiles};
  FILE* noticeStream_;
};

// `text` with every line break (CR, LF or CR LF) folded to one space.
std::string FoldLineBreaks(const std::string& text);

// "Caption: text" with the line breaks folded, as UTF-8 text (the plug-in's notices carry the
// model's bytes).
std::string NoticeLine(const std::string& caption, const std::string& text);

}  // namespace korva::cli
