// Hand-built host objects for picture tests: frames with FVF 0x152 meshes, set up as the import
// sets them up, owned by a handle that releases the whole object.
#pragma once

#include <memory>
#include <vector>

#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"
#include "render/render_math.h"

namespace korva::testing {

struct BuiltVertex {
  render::Vec3 position;
  render::Vec3 normal{0, 0, 1};
  float u = 0, v = 0;
};

struct ObjectDeleter {
  void operator()(sObject* object) const;
};
using ObjectHandle = std::unique_ptr<sObject, ObjectDeleter>;

// A constructed object without frames.
ObjectHandle NewEmptyObject();

// A new frame under `parent` (appended to its children), or the root (appended to the root's
// sibling chain when there is one), with the given local matrix. Owned by the object.
sFrame* AddFrame(sObject* object, sFrame* parent, const D3DXMATRIX& local, const char* name);

// Gives `frame` a triangle-list mesh with FVF 0x152, the vertices and indices as given, white
// vertex colours and the material diffuse colour (r, g, b), and two texture records.
sMesh* AttachMesh(sFrame* frame, const std::vector<BuiltVertex>& vertices,
                  const std::vector<uint16_t>& indices, float r, float g, float b);

// The four corners of an axis-aligned rectangle in the plane z = `z` from (x0, y0) to (x1, y1),
// listed top-left, top-right, bottom-right, bottom-left as seen from +z looking towards -z
// (where +x is on the picture's left), with texture coordinates (0,0), (1,0), (1,1), (0,1) in that
// order, and the normal +z. `FrontQuadIndices` winds them clockwise as seen from there.
std::vector<BuiltVertex> QuadFacingPlusZ(float x0, float y0, float x1, float y1, float z);
std::vector<uint16_t> FrontQuadIndices();
std::vector<uint16_t> BackQuadIndices();

// The corners origin, origin + edgeU, origin + edgeU + edgeV, origin + edgeV with texture
// coordinates (0,0), (1,0), (1,1), (0,1) and the unit normal of edgeU x edgeV. With
// `FrontQuadIndices` the quad's front is the side that normal points to.
std::vector<BuiltVertex> Quad(render::Vec3 origin, render::Vec3 edgeU, render::Vec3 edgeV);

struct BuiltInfluence {
  uint32_t vertex;
  float weight;
};

// Gives `mesh` one more bone naming frame `name`, with its offset matrix and influences.
void AddBone(sMesh* mesh, const char* name, const D3DXMATRIX& offset,
             const std::vector<BuiltInfluence>& influences);

struct BuiltRotationKey {
  int32_t frame;
  float radiansAboutZ;
};
struct BuiltPositionKey {
  int32_t frame;
  render::Vec3 position, step;
};

// Adds a track driving frame `name` to the object's first animation set (made with `length`
// frames when there is none), with rotations about z, positions and scales (value in `position`)
// as given.
void AddTrack(sObject* object, const char* name, int32_t length,
              const std::vector<BuiltRotationKey>& rotations,
              const std::vector<BuiltPositionKey>& positions,
              const std::vector<BuiltPositionKey>& scales = {});

// A matrix that moves points by (x, y, z); one that turns them about z (row vectors).
D3DXMATRIX Translation(float x, float y, float z);
D3DXMATRIX RotationZ(float radians);

}  // namespace korva::testing
