#include "render/render_object.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "model/texture.h"
#include "render/rasterizer.h"
#include "render/scene.h"
#include "render/vertex_layout.h"

namespace korva::render {
namespace {
constexpr uint32_t kTriangleList = 4, kTriangleStrip = 5, kTriangleFan = 6;
constexpr float kAmbient = 0.3f;
constexpr int kMarkerHalfSide = 3;

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

std::string MeshLabel(const MeshInstance& instance) {
  std::string name(instance.frame->name,
                   strnlen(instance.frame->name, sizeof instance.frame->name));
  return "mesh of frame \"" + name + "\"";
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
      corner.position = TransformPoint(vertex.position, instance.world);
      corner.normal = vertex.hasNormal ? TransformNormal(vertex.normal, instance.world) : Vec3{};
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

RenderResult RenderObject(const sObject& object, const RenderOptions& options,
                          const TextureResolver& textures) {
  RenderResult result;
  Scene scene = CollectScene(object);
  result.warnings = std::move(scene.warnings);

  std::vector<WorldTriangle> triangles;
  for (const MeshInstance& instance : scene.meshes) {
    GatherTriangles(instance, textures, &triangles, &result.warnings);
  }
  std::vector<Vec3> joints;
  if (options.skeleton) {
    for (const JointMarker& joint : scene.joints) {
      joints.push_back(TransformPoint({0, 0, 0}, joint.world));
    }
  }

  const CameraAxes axes = AxesForView(options.view);
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  float minX = kInfinity, maxX = -kInfinity, minY = kInfinity, maxY = -kInfinity;
  auto extend = [&](Vec3 p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return;
    const float x = Dot(p, axes.right), y = Dot(p, axes.up);
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  };
  for (const WorldTriangle& triangle : triangles) {
    for (const WorldCorner& corner : triangle.corner) extend(corner.position);
  }
  for (const Vec3& joint : joints) extend(joint);
  if (!(minX <= maxX)) minX = maxX = minY = maxY = 0.0f;
  const Framing framing(axes, minX, maxX, minY, maxY, options.size, options.margin);

  Canvas canvas(options.size, options.background);
  // The light comes from behind the viewer's left shoulder, so faces turned to the viewer are
  // bright and their neighbours shade off.
  const Vec3 towardsLight = Normalize(axes.forward * -1.0f + axes.up * 0.5f - axes.right * 0.3f);

  for (const WorldTriangle& triangle : triangles) {
    ScreenVertex screen[3];
    for (int k = 0; k < 3; ++k) screen[k].position = framing.Project(triangle.corner[k].position);
    // Clockwise on screen is a front face; in pixel coordinates (y down) that is a positive
    // signed area.
    const Vec3 a = screen[0].position, b = screen[1].position, c = screen[2].position;
    const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (!(area > 0.0f)) continue;
    ++result.trianglesDrawn;
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

  for (size_t i = 0; i < joints.size(); ++i) {
    const int parent = scene.joints[i].parentJoint;
    if (parent >= 0) {
      canvas.DrawLine(framing.Project(joints[parent]), framing.Project(joints[i]),
                      options.boneColor, false);
    }
  }
  for (const Vec3& joint : joints) {
    const Vec3 p = framing.Project(joint);
    canvas.DrawMarker(p.x, p.y, kMarkerHalfSide, options.jointColor);
  }
  result.image = canvas.TakeImage();
  return result;
}

}  // namespace korva::render
