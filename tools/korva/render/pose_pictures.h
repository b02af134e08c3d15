// Pictures of an animation: one or more playbacks side by side at a frame, a contact sheet of
// many frames, all through one camera that frames every pose drawn, so motion shows as motion.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "render/draw_list.h"
#include "render/render_object.h"

namespace korva::render {

// One playback: its caption and what it draws at a frame (filled into the list given).
struct PoseSource {
  std::string caption;
  std::function<void(float frame, DrawList* list)> pose;
};

// "12" for whole frames, "12.5" or "12.25" otherwise.
std::string FrameLabel(float frame);

class PosePictures {
 public:
  PosePictures(std::vector<PoseSource> sources, const RenderOptions& options);

  // Frames one camera on every source's pose at every one of `frames`.
  void FrameAll(const std::vector<float>& frames);

  // The sources side by side at `frame`, each options.size pixels square; with more than one
  // source, each half has its caption above it. FrameAll first.
  Image Picture(float frame);

  // One cell per frame, in a grid as near square as the count allows, the frame number under
  // each cell. Empty when the sheet would exceed the largest picture. FrameAll first.
  Image ContactSheet(const std::vector<float>& frames);

  int trianglesDrawn() const { return trianglesDrawn_; }
  // Every distinct warning of the poses drawn, in the order first seen.
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  const DrawList& Pose(size_t source, float frame);
  int Scale() const;
  int CaptionHeight() const;
  Color TextColor() const;

  std::vector<PoseSource> sources_;
  RenderOptions options_;
  Framing framing_;
  int trianglesDrawn_ = 0;
  std::vector<std::string> warnings_;
  DrawList scratch_;  // one list for every pose: its storage is reused
  std::set<std::string> seenWarnings_;
};

}  // namespace korva::render
