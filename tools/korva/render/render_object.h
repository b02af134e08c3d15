// Draws a host object as it stands in its frame tree into a square picture.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"
#include "render/camera.h"
#include "render/draw_list.h"
#include "render/image.h"

namespace korva::render {

struct RenderOptions {
  View view = View::kIso;
  int size = 512;  // pixels on each side
  Color background{48, 48, 48, 255};
  bool wireframe = false;              // edges of the front faces only
  bool skeleton = false;               // markers on the joints, lines to their parents
  Color jointColor{255, 220, 0, 255};  // joint markers, drawn with a black outline
  Color boneColor{255, 160, 0, 255};   // lines from a joint to the joint above it
  bool lighting = true;                // false: every surface in its full colour
  float margin = 0.05f;                // share of the side left free around the object's bounds
};

// The image of texture record 0 of `mesh` (held by `frame`), or null to draw it untextured. The
// picture must stay alive until RenderObject returns.
using TextureResolver = std::function<const Image*(const sFrame& frame, const sMesh& mesh)>;

struct RenderResult {
  Image image;
  std::vector<std::string> warnings;  // meshes skipped and why, and other oddities of the input
  int trianglesDrawn = 0;             // front faces that reached the rasterizer
};

// Each mesh is drawn with its frame's local matrix composed with those above it (world = local x
// parent's world), its material's diffuse colour times its vertex colours and texture, lit by one
// directional light from the viewer's side; back faces (anticlockwise on screen) are culled and a
// depth buffer keeps the nearest surface. The camera frames the bounds of what is drawn. A mesh
// whose vertex layout cannot be read, or whose data does not hold together, is skipped with a
// warning.
RenderResult RenderObject(const sObject& object, const RenderOptions& options,
                          const TextureResolver& textures);

// The object's meshes and joint frames (frames without a mesh; with options.skeleton) for one
// picture. A negative `frame` draws the object as stored; any other poses its frame tree by the
// host's playback at that frame and skins its meshes by their bones. Fills `*list`, reusing its
// storage.
void GatherObject(const sObject& object, float frame, const RenderOptions& options,
                  const TextureResolver& textures, DrawList* list);

}  // namespace korva::render
