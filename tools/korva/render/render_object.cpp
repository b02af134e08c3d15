#include "render/render_object.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "model/texture.h"
#include "render/host_playback.h"
#include "render/rasterizer.h"
#include "render/vertex_layout.h"
#include "text/utf8_text.h"

namespace korva::render {
namespace {
constexpr uint32_t kTriangleList = 4, kTriangleStrip = 5, kTriangleFan = 6;
constexpr float kAmbient = 0.3f;
constexpr int kMarkerHalfSide = 3;

float Channel(uint32_t argb, int shift) {
  return static_cast<float>((argb >> shift) & 0xFF) / 255.0f;
}

AddressMode ToAddressMode(int32_t value) {
  if (value >= 1 && value <= 5) return static_cast<AddressMode>(value);
  return AddressMode::kWrap;
}

// The corner indices of primitive `i` of the mesh's primitive type, or false when the type has no
// triangles.
bool PrimitiveCorners(uint32_t type, int32_t i, int32_t corners[3]) {
  switch (type) {
    case kTriangleList:
      corners[0] = 3 * i, corners[1] = 3 * i + 1, corners[2] = 3 * i + 2;
      return true;
    case kTriangleStrip:
      // Every second triangle of a strip is stored with its winding flipped.
      if (i % 2 == 0) {
        corners[0] = i, corners[1] = i + 1, corners[2] = i + 2;
      } else {
        corners[0] = i + 1, corners[1] = i, corners[2] = i + 2;
      }
      return true;
    case kTriangleFan:
      corners[0] = 0, corners[1] = i + 1, corners[2] = i + 2;
      return true;
    default:
      return false;
  }
}

// How many primitives the corner list can hold for the primitive type.
int64_t PrimitivesAvailable(uint32_t type, int64_t cornerCount) {
  if (type == kTriangleList) return cornerCount / 3;
  return std::max<int64_t>(0, cornerCount - 2);
}

struct MeshInstance {
  const sFrame* frame;
  const sMesh* mesh;
  const D3DXMATRIX& world;
  const SkinnedMesh* skinned;  // null: the vertices move with the frame
};

std::string MeshLabel(const MeshInstance& instance) {
  const std::string name(instance.frame->name,
                         strnlen(instance.frame->name, sizeof instance.frame->name));
  return "mesh of frame \"" + text::Utf8Text(name) + "\"";
}

// Appends the mesh's triangles in world space; a mesh that cannot be read adds a warning instead.
void GatherTriangles(const MeshInstance& instance, const TextureResolver& textures,
                     std::vector<WorldTriangle>* triangles, std::vector<std::string>* warnings) {
  const sMesh& mesh = *instance.mesh;
  if (mesh.drawPrimitiveCount <= 0) return;
  VertexLayout layout;
  std::string why;
  if (!LayoutOfMesh(mesh, &layout, &why)) {
    warnings->push_back(MeshLabel(instance) + " skipped: " + why);
    return;
  }
  if (mesh.vertexCount <= 0 || !mesh.vertexData) {
    warnings->push_back(MeshLabel(instance) + " skipped: no vertex data");
    return;
  }
  const bool indexed = mesh.indexCount > 0;
  if (indexed && !mesh.indexData) {
    warnings->push_back(MeshLabel(instance) + " skipped: no index data");
    return;
  }
  int32_t corners[3];
  if (!PrimitiveCorners(mesh.primitiveType, 0, corners)) {
    warnings->push_back(MeshLabel(instance) + " skipped: primitive type " +
                        std::to_string(mesh.primitiveType) + " holds no triangles");
    return;
  }
  const int64_t cornerCount = indexed ? mesh.indexCount : mesh.vertexCount;
  const int64_t primitives = std::min<int64_t>(
      mesh.drawPrimitiveCount, PrimitivesAvailable(mesh.primitiveType, cornerCount));
  if (primitives < mesh.drawPrimitiveCount) {
    warnings->push_back(MeshLabel(instance) + ": draws " + std::to_string(primitives) + " of " +
                        std::to_string(mesh.drawPrimitiveCount) +
                        " primitives, the rest have no vertices");
  }

  TextureBinding binding;
  if (mesh.textureCount > 0 && mesh.textures) {
    const sTexture& stage0 = mesh.textures[0];
    binding.modeU = ToAddressMode(stage0.addressU);
    binding.modeV = ToAddressMode(stage0.addressV);
  }
  if (textures) binding.image = textures(*instance.frame, mesh);

  const D3DCOLORVALUE& diffuse = mesh.material.Diffuse;
  int64_t badIndices = 0;
  for (int64_t p = 0; p < primitives; ++p) {
    PrimitiveCorners(mesh.primitiveType, static_cast<int32_t>(p), corners);
    WorldTriangle triangle;
    triangle.texture = binding;
    bool valid = true;
    for (int k = 0; k < 3 && valid; ++k) {
      const int64_t vertexIndex = indexed ? mesh.indexData[corners[k]] : corners[k];
      if (vertexIndex >= mesh.vertexCount) {
        valid = false;
        break;
      }
      const Vertex vertex =
          ReadVertex(mesh.vertexData + static_cast<size_t>(vertexIndex) * mesh.vertexSize, layout);
      WorldCorner& corner = triangle.corner[k];
      if (instance.skinned) {
        corner.position = instance.skinned->positions[static_cast<size_t>(vertexIndex)];
        corner.normal = instance.skinned->normals[static_cast<size_t>(vertexIndex)];
      } else {
        corner.position = TransformPoint(vertex.position, instance.world);
        corner.normal = vertex.hasNormal ? TransformNormal(vertex.normal, instance.world) : Vec3{};
      }
      corner.r = diffuse.r * Channel(vertex.diffuse, 16);
      corner.g = diffuse.g * Channel(vertex.diffuse, 8);
      corner.b = diffuse.b * Channel(vertex.diffuse, 0);
      corner.u = vertex.u;
      corner.v = vertex.v;
      if (!std::isfinite(corner.position.x) || !std::isfinite(corner.position.y) ||
          !std::isfinite(corner.position.z)) {
        valid = false;
      }
    }
    if (valid) {
      triangles->push_back(triangle);
    } else {
      ++badIndices;
    }
  }
  if (badIndices > 0) {
    warnings->push_back(MeshLabel(instance) + ": " + std::to_string(badIndices) +
                        " triangles skipped (index past the vertices or position not finite)");
  }
}

// Lit colour of a corner: ambient plus the light along the normal. A corner without a normal takes
// the face's own.
void Shade(const WorldCorner& corner, Vec3 faceNormal, Vec3 towardsLight, bool lighting,
           ScreenVertex* out) {
  float intensity = 1.0f;
  if (lighting) {
    const Vec3 normal = Dot(corner.normal, corner.normal) > 0.0f ? corner.normal : faceNormal;
    intensity = kAmbient + (1.0f - kAmbient) * std::max(0.0f, Dot(normal, towardsLight));
  }
  out->r = corner.r * intensity;
  out->g = corner.g * intensity;
  out->b = corner.b * intensity;
  out->u = corner.u;
  out->v = corner.v;
}
}  // namespace

void GatherObject(const sObject& object, float frame, const RenderOptions& options,
                  const TextureResolver& textures, DrawList* out) {
  out->Clear();
  DrawList& list = *out;
  HostPose pose = PoseObject(object, frame);
  list.warnings = std::move(pose.warnings);
  const bool skin = frame >= 0.0f;
  // Index in list.joints of each frame's nearest joint at or above it; parents come first.
  std::vector<int> jointAt(pose.frames.size(), -1);
  for (size_t i = 0; i < pose.frames.size(); ++i) {
    const sFrame* frameRecord = pose.frames[i];
    const int parent = pose.parents[i];
    const int jointAbove = parent < 0 ? -1 : jointAt[static_cast<size_t>(parent)];
    jointAt[i] = jointAbove;
    if (!frameRecord->mesh) {
      if (options.skeleton) {
        list.joints.push_back(TransformPoint({0, 0, 0}, pose.combined[i]));
        list.jointParents.push_back(jointAbove);
        jointAt[i] = static_cast<int>(list.joints.size()) - 1;
      }
      continue;
    }
    SkinnedMesh skinned;
    bool haveSkin = false;
    if (skin && frameRecord->mesh->boneCount > 0) {
      std::string why;
      haveSkin = SkinMesh(*frameRecord->mesh, static_cast<int>(i), pose, &skinned, &why);
      for (std::string& warning : skinned.warnings) list.warnings.push_back(std::move(warning));
    }
    GatherTriangles(
        {frameRecord, frameRecord->mesh, pose.combined[i], haveSkin ? &skinned : nullptr}, textures,
        &list.triangles, &list.warnings);
  }
}

void PictureBounds::Extend(Vec3 p) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return;
  const float x = Dot(p, axes_.right), y = Dot(p, axes_.up);
  if (empty_) {
    minX_ = maxX_ = x, minY_ = maxY_ = y;
    empty_ = false;
    return;
  }
  minX_ = std::min(minX_, x), maxX_ = std::max(maxX_, x);
  minY_ = std::min(minY_, y), maxY_ = std::max(maxY_, y);
}

void PictureBounds::Extend(const DrawList& list) {
  for (const WorldTriangle& triangle : list.triangles) {
    for (const WorldCorner& corner : triangle.corner) Extend(corner.position);
  }
  for (const Vec3& joint : list.joints) Extend(joint);
}

Framing PictureBounds::FramingFor(int size, float margin) const {
  if (empty_) return Framing(axes_, 0, 0, 0, 0, size, margin);
  return Framing(axes_, minX_, maxX_, minY_, maxY_, size, margin);
}

Image DrawPicture(const DrawList& list, const Framing& framing, const RenderOptions& options,
                  int* trianglesDrawn) {
  const CameraAxes axes = AxesForView(options.view);
  Canvas canvas(options.size, options.background);
  // The light comes from behind the viewer's left shoulder, so faces turned to the viewer are
  // bright and their neighbours shade off.
  const Vec3 towardsLight = Normalize(axes.forward * -1.0f + axes.up * 0.5f - axes.right * 0.3f);

  for (const WorldTriangle& triangle : list.triangles) {
    ScreenVertex screen[3];
    for (int k = 0; k < 3; ++k) screen[k].position = framing.Project(triangle.corner[k].position);
    // Clockwise on screen is a front face; in pixel coordinates (y down) that is a positive
    // signed area.
    const Vec3 a = screen[0].position, b = screen[1].position, c = screen[2].position;
    const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (!(area > 0.0f)) continue;
    ++*trianglesDrawn;
    const Vec3 faceNormal =
        Normalize(Cross(triangle.corner[1].position - triangle.corner[0].position,
                        triangle.corner[2].position - triangle.corner[0].position));
    for (int k = 0; k < 3; ++k) {
      Shade(triangle.corner[k], faceNormal, towardsLight, options.lighting, &screen[k]);
    }
    if (options.wireframe) {
      const Color edge{static_cast<uint8_t>(std::clamp(screen[0].r, 0.0f, 1.0f) * 255.0f),
                       static_cast<uint8_t>(std::clamp(screen[0].g, 0.0f, 1.0f) * 255.0f),
                       static_cast<uint8_t>(std::clamp(screen[0].b, 0.0f, 1.0f) * 255.0f), 255};
      for (int k = 0; k < 3; ++k) {
        canvas.DrawLine(screen[k].position, screen[(k + 1) % 3].position, edge, true);
      }
    } else {
      canvas.FillTriangle(screen[0], screen[1], screen[2], triangle.texture);
    }
  }

  for (size_t i = 0; i < list.joints.size(); ++i) {
    const int parent = list.jointParents[i];
    if (parent >= 0) {
      canvas.DrawLine(framing.Project(list.joints[static_cast<size_t>(parent)]),
                      framing.Project(list.joints[i]), options.boneColor, false);
    }
  }
  for (const Vec3& joint : list.joints) {
    const Vec3 p = framing.Project(joint);
    canvas.DrawMarker(p.x, p.y, kMarkerHalfSide, options.jointColor);
  }
  return canvas.TakeImage();
}

RenderResult RenderObject(const sObject& object, const RenderOptions& options,
                          const TextureResolver& textures) {
  RenderResult result;
  DrawList list;
  GatherObject(object, -1.0f, options, textures, &list);
  PictureBounds bounds(AxesForView(options.view));
  bounds.Extend(list);
  result.image = DrawPicture(list, bounds.FramingFor(options.size, options.margin), options,
                             &result.trianglesDrawn);
  result.warnings = std::move(list.warnings);
  return result;
}

}  // namespace korva::render
