// The MS3D model's own playback gathered for drawing (see draw_list.h).
#include <cmath>

#include "ms3d/model_pose.h"
#include "render/draw_list.h"

namespace korva::render {

void GatherModel(msModel& model, float frame, const MaterialTextureResolver& textures,
                 bool skeleton, DrawList* out) {
  out->Clear();
  DrawList& list = *out;
  const msPosedModel posed = PoseModel(model, frame);
  // The import's mirror: x negated, so each triangle's corners run the other way round.
  const auto mirrored = [](const std::array<float, 3>& p) { return Vec3{-p[0], p[1], p[2]}; };
  std::vector<VertexInfluences> influences;
  influences.reserve(model.vertices.size());
  for (const msVertex& vertex : model.vertices) influences.push_back(InfluencesOf(model, vertex));

  size_t trianglesOutside = 0;
  for (const msGroup& group : model.groups) {
    TextureBinding binding;
    float r = 1, g = 1, b = 1;
    const int material = group.materialIndex;
    if (material >= 0 && static_cast<size_t>(material) < model.materials.size()) {
      const msMaterial& m = model.materials[static_cast<size_t>(material)];
      r = m.diffuse[0], g = m.diffuse[1], b = m.diffuse[2];
      if (textures) binding.image = textures(material);
    }
    for (const uint16_t t : group.triangleIndices) {
      if (t >= model.triangles.size()) {
        ++trianglesOutside;
        continue;
      }
      const msTriangle& triangle = model.triangles[t];
      WorldTriangle world;
      world.texture = binding;
      bool valid = true;
      for (int k = 0; k < 3; ++k) {
        const int corner = k == 0 ? 0 : 3 - k;  // 0, 2, 1
        const uint16_t v = triangle.vertexIndices[corner];
        if (v >= model.vertices.size()) {
          valid = false;
          break;
        }
        WorldCorner& out = world.corner[k];
        out.position = mirrored(posed.vertices[v]);
        const std::array<float, 3> normal =
            SkinDirection(posed.skinning, influences[v], triangle.vertexNormals[corner]);
        out.normal = Normalize(mirrored(normal));
        out.r = r, out.g = g, out.b = b;
        out.u = triangle.s[corner];
        out.v = triangle.t[corner];
      }
      if (valid) {
        list.triangles.push_back(world);
      } else {
        ++trianglesOutside;
      }
    }
  }
  if (trianglesOutside > 0) {
    list.warnings.push_back(std::to_string(trianglesOutside) +
                            " triangles skipped (index past the triangles or vertices)");
  }
  if (skeleton) {
    for (size_t j = 0; j < model.joints.size(); ++j) {
      list.joints.push_back(mirrored(posed.joints[j]));
      list.jointParents.push_back(model.joints[j].parentIndex);
    }
  }
}

}  // namespace korva::render
