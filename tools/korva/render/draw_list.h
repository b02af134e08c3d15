// What one picture of an object shows, in the host's world space: lit-ready triangles and the
// joints with the lines to their parents. Gathered from a host object (as stored or posed by the
// host's playback) or from an MS3D model posed by its own playback; framed and drawn separately,
// so several poses can share one camera.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ms3d/ms_model.h"
#include "render/camera.h"
#include "render/image.h"
#include "render/rasterizer.h"
#include "render/render_math.h"

namespace korva::render {

struct RenderOptions;

struct WorldCorner {
  Vec3 position;
  Vec3 normal;  // unit; zero when the mesh has none
  float r, g, b;
  float u, v;
};

struct WorldTriangle {
  WorldCorner corner[3];
  TextureBinding texture;
};

struct DrawList {
  std::vector<WorldTriangle> triangles;
  std::vector<Vec3> joints;
  std::vector<int> jointParents;  // index in `joints` of the joint above, or -1
  std::vector<std::string> warnings;

  // Empties the list and keeps its storage.
  void Clear() {
    triangles.clear();
    joints.clear();
    jointParents.clear();
    warnings.clear();
  }
};

// The image of a model material's texture (by material index), or null to draw it untextured.
using MaterialTextureResolver = std::function<const Image*(int materialIndex)>;

// The model at `frame` (a negative frame: the rest pose) as its own playback poses it, turned
// into the host's space the way the import turns it: x negated, windings reversed. Every group's
// triangles in its material's diffuse colour and texture; joints (with `skeleton`) at their posed
// origins. Needs BuildBindPose. Fills `*list`, reusing its storage: a long animation gathers the
// same amount every frame.
void GatherModel(msModel& model, float frame, const MaterialTextureResolver& textures,
                 bool skeleton, DrawList* list);

// The rectangle that the camera plane coordinates of everything drawn span, over any number of
// draw lists.
class PictureBounds {
 public:
  explicit PictureBounds(const CameraAxes& axes) : axes_(axes) {}
  void Extend(const DrawList& list);
  void Extend(Vec3 point);
  // A camera framing the bounds (a point at the origin when nothing was seen).
  Framing FramingFor(int size, float margin) const;

 private:
  CameraAxes axes_;
  float minX_, maxX_, minY_, maxY_;
  bool empty_ = true;
};

// Draws the list into an options.size square picture through `framing`: back faces culled, the
// nearest surface kept, joints (when the list has any) on top. Adds to `*trianglesDrawn`.
Image DrawPicture(const DrawList& list, const Framing& framing, const RenderOptions& options,
                  int* trianglesDrawn);

}  // namespace korva::render
