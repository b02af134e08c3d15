// The exporter's meshes: vertices, corners in glTF's winding, materials and textures.
#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>

#include "gltf/export/gltf_exporter.h"
#include "model/texture.h"
#include "render/vertex_layout.h"

namespace korva::gltf {

namespace {
constexpr uint32_t kPointList = 1, kLineList = 2, kLineStrip = 3, kTriangleList = 4,
                   kTriangleStrip = 5, kTriangleFan = 6;
}  // namespace

// Corners the mesh draws for its primitive type and count, or -1 for a type glTF cannot hold.
int64_t Exporter::CornersFor(uint32_t type, int64_t primitives, int* mode) {
  switch (type) {
    case kPointList:
      *mode = TINYGLTF_MODE_POINTS;
      return primitives;
    case kLineList:
      *mode = TINYGLTF_MODE_LINE;
      return 2 * primitives;
    case kLineStrip:
      *mode = TINYGLTF_MODE_LINE_STRIP;
      return primitives + 1;
    case kTriangleList:
      *mode = TINYGLTF_MODE_TRIANGLES;
      return 3 * primitives;
    case kTriangleStrip:
      *mode = TINYGLTF_MODE_TRIANGLE_STRIP;
      return primitives + 2;
    case kTriangleFan:
      *mode = TINYGLTF_MODE_TRIANGLE_FAN;
      return primitives + 2;
    default:
      return -1;
  }
}

// Corners per primitive for the list types (whose primitives can be dropped one by one), 0 for
// strips and fans.
int Exporter::ListStep(uint32_t type) {
  switch (type) {
    case kPointList:
      return 1;
    case kLineList:
      return 2;
    case kTriangleList:
      return 3;
    default:
      return 0;
  }
}

// The corner list in glTF's winding: the mirror turns clockwise front faces anticlockwise as
// glTF wants them, once the order of each triangle is reversed too. False when an index points
// past the vertices of a strip or fan (a list drops just the bad primitives).
bool Exporter::Corners(const sMesh& mesh, const std::string& label, int mode,
                       std::vector<uint32_t>* out) {
  int64_t primitives = mesh.drawPrimitiveCount;
  int unusedMode = 0;
  const int64_t available = mesh.indexCount > 0 ? mesh.indexCount : mesh.vertexCount;
  int64_t corners = CornersFor(mesh.primitiveType, primitives, &unusedMode);
  if (corners > available) {
    // Fewer corners than primitives asked for: keep the whole primitives that are there.
    const int step = ListStep(mesh.primitiveType);
    const int64_t fit = step > 0 ? available / step : std::max<int64_t>(0, available - 2);
    Warn(label + ": draws " + std::to_string(fit) + " of " + std::to_string(primitives) +
         " primitives, the rest have no vertices");
    primitives = fit;
    corners = CornersFor(mesh.primitiveType, primitives, &unusedMode);
  }
  std::vector<uint32_t> list(static_cast<size_t>(std::max<int64_t>(corners, 0)));
  for (size_t k = 0; k < list.size(); ++k) {
    list[k] = mesh.indexCount > 0 ? mesh.indexData[k] : static_cast<uint32_t>(k);
  }
  const uint32_t vertexCount = static_cast<uint32_t>(mesh.vertexCount);
  const int step = ListStep(mesh.primitiveType);
  if (step > 0) {
    size_t kept = 0, dropped = 0;
    for (size_t k = 0; k + step <= list.size(); k += step) {
      bool valid = true;
      for (int c = 0; c < step; ++c) valid = valid && list[k + c] < vertexCount;
      if (!valid) {
        ++dropped;
        continue;
      }
      for (int c = 0; c < step; ++c) list[kept + c] = list[k + c];
      if (mode == TINYGLTF_MODE_TRIANGLES) std::swap(list[kept + 1], list[kept + 2]);
      kept += step;
    }
    list.resize(kept);
    if (dropped > 0) {
      Warn(label + ": " + std::to_string(dropped) +
           " primitives left out (index past the vertices)");
    }
  } else {
    for (uint32_t index : list) {
      if (index >= vertexCount) {
        Warn(label + " left out: an index points past the vertices");
        return false;
      }
    }
    if (mode == TINYGLTF_MODE_TRIANGLE_STRIP && !list.empty()) {
      // A repeated first corner adds one empty triangle and turns every later one over.
      list.insert(list.begin(), list.front());
    } else if (mode == TINYGLTF_MODE_TRIANGLE_FAN && list.size() > 1) {
      std::reverse(list.begin() + 1, list.end());
    }
  }
  *out = std::move(list);
  return true;
}

void Exporter::AddMesh(size_t node, const sMesh& mesh) {
  const std::string label = "mesh of " + FrameLabel(node);
  if (mesh.drawPrimitiveCount <= 0) return;
  render::VertexLayout layout;
  std::string why;
  if (!render::LayoutOfMesh(mesh, &layout, &why)) {
    Warn(label + " left out: " + why);
    return;
  }
  if (mesh.vertexCount <= 0 || !mesh.vertexData) {
    Warn(label + " left out: no vertex data");
    return;
  }
  if (mesh.indexCount > 0 && !mesh.indexData) {
    Warn(label + " left out: no index data");
    return;
  }
  int mode = 0;
  if (CornersFor(mesh.primitiveType, 0, &mode) < 0) {
    Warn(label + " left out: primitive type " + std::to_string(mesh.primitiveType) +
         " has no glTF counterpart");
    return;
  }
  std::vector<uint32_t> corners;
  if (!Corners(mesh, label, mode, &corners)) return;
  if (corners.empty()) {
    Warn(label + " left out: no whole primitive to draw");
    return;
  }

  const size_t count = static_cast<size_t>(mesh.vertexCount);
  std::vector<float> positions(count * 3), normals, texcoords;
  std::vector<uint8_t> colors;
  if (layout.normal >= 0) normals.resize(count * 3);
  if (layout.texcoord >= 0) texcoords.resize(count * 2);
  if (layout.diffuse >= 0) colors.resize(count * 4);
  size_t badPositions = 0, badNormals = 0;
  for (size_t v = 0; v < count; ++v) {
    const render::Vertex vertex = render::ReadVertex(mesh.vertexData + v * mesh.vertexSize, layout);
    float* p = &positions[v * 3];
    p[0] = vertex.position.x, p[1] = vertex.position.y, p[2] = -vertex.position.z;
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
      p[0] = p[1] = p[2] = 0.0f;
      ++badPositions;
    }
    if (!normals.empty()) {
      const double x = vertex.normal.x, y = vertex.normal.y, z = -double(vertex.normal.z);
      const double length = std::sqrt(x * x + y * y + z * z);
      float* n = &normals[v * 3];
      if (length > 1e-12 && Finite(length)) {
        n[0] = float(x / length), n[1] = float(y / length), n[2] = float(z / length);
      } else {
        // glTF requires unit normals; a vertex without one takes the viewer's axis.
        n[0] = 0.0f, n[1] = 0.0f, n[2] = 1.0f;
        ++badNormals;
      }
    }
    if (!texcoords.empty()) {
      const bool finite = std::isfinite(vertex.u) && std::isfinite(vertex.v);
      texcoords[v * 2] = finite ? vertex.u : 0.0f;
      texcoords[v * 2 + 1] = finite ? vertex.v : 0.0f;
    }
    if (!colors.empty()) {
      const uint32_t argb = vertex.diffuse;
      colors[v * 4] = uint8_t(argb >> 16), colors[v * 4 + 1] = uint8_t(argb >> 8);
      colors[v * 4 + 2] = uint8_t(argb), colors[v * 4 + 3] = uint8_t(argb >> 24);
    }
  }
  if (badPositions > 0) {
    Warn(label + ": " + std::to_string(badPositions) + " positions not finite, written as 0");
  }
  if (badNormals > 0) {
    Warn(label + ": " + std::to_string(badNormals) +
         " normals without length or not finite, written as +z");
  }

  tinygltf::Primitive primitive;
  primitive.mode = mode;
  primitive.attributes["POSITION"] = buffer_.FloatAccessorWithBounds(
      positions, 3, TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER);
  if (!normals.empty()) {
    primitive.attributes["NORMAL"] =
        buffer_.Accessor(normals, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, count,
                         TINYGLTF_TARGET_ARRAY_BUFFER);
  }
  if (!texcoords.empty()) {
    primitive.attributes["TEXCOORD_0"] =
        buffer_.Accessor(texcoords, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2, count,
                         TINYGLTF_TARGET_ARRAY_BUFFER);
  }
  if (!colors.empty()) {
    primitive.attributes["COLOR_0"] =
        buffer_.Accessor(colors, TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE, TINYGLTF_TYPE_VEC4, count,
                         TINYGLTF_TARGET_ARRAY_BUFFER, true);
  }
  // The host's 16-bit indices stay 16-bit; indices made for an unindexed mesh, or any index that
  // would read as 16-bit primitive restart (0xFFFF), need 32 bits.
  const uint32_t largest = *std::max_element(corners.begin(), corners.end());
  if (largest < 0xFFFF) {
    std::vector<uint16_t> narrow(corners.begin(), corners.end());
    primitive.indices =
        buffer_.Accessor(narrow, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, TINYGLTF_TYPE_SCALAR,
                         narrow.size(), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
  } else {
    primitive.indices =
        buffer_.Accessor(corners, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR,
                         corners.size(), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
  }
  primitive.material = AddMaterial(node, mesh, !texcoords.empty());
  const int skin = AddSkin(node, mesh, label, count, &primitive);

  tinygltf::Mesh gltfMesh;
  gltfMesh.name = model_.nodes[node].name;
  gltfMesh.primitives.push_back(primitive);
  model_.meshes.push_back(gltfMesh);
  // glTF places a skinned mesh by its joints alone and ignores the transform and parents of the
  // node holding it; a plain node at the top holds it then, so nothing pretends otherwise. Its
  // frame stays in the tree (as the joint of the vertices no bone moves).
  int holder = static_cast<int>(node);
  if (skin >= 0) {
    holder = static_cast<int>(model_.nodes.size());
    frames_.push_back(nullptr);
    parents_.push_back(-1);
    worlds_.push_back(Identity());
    hasTrs_.push_back(true);
    tinygltf::Node skinned;
    skinned.name = model_.nodes[node].name + " (skinned mesh)";
    skinned.skin = skin;
    model_.nodes.push_back(skinned);
  }
  model_.nodes[holder].mesh = static_cast<int>(model_.meshes.size() - 1);
}

int Exporter::AddMaterial(size_t node, const sMesh& mesh, bool hasTexcoords) {
  tinygltf::Material material;
  material.name = model_.nodes[node].name;
  const D3DCOLORVALUE& diffuse = mesh.material.Diffuse;
  const auto channel = [](float value) {
    return std::isfinite(value) ? std::clamp<double>(value, 0.0, 1.0) : 1.0;
  };
  material.pbrMetallicRoughness.baseColorFactor = {channel(diffuse.r), channel(diffuse.g),
                                                   channel(diffuse.b), channel(diffuse.a)};
  // The host's fixed-function lighting has no metal: a rough dielectric looks closest.
  material.pbrMetallicRoughness.metallicFactor = 0.0;
  material.pbrMetallicRoughness.roughnessFactor = 1.0;
  if (channel(diffuse.a) < 1.0) material.alphaMode = "BLEND";
  // The renderer draws front faces only; so does a viewer for a material that is not two-sided.
  material.doubleSided = false;
  if (hasTexcoords) {
    const int texture = AddTexture(mesh);
    if (texture >= 0) material.pbrMetallicRoughness.baseColorTexture.index = texture;
  }
  model_.materials.push_back(material);
  return static_cast<int>(model_.materials.size() - 1);
}

int Exporter::WrapMode(int32_t address) {
  switch (address) {
    case 2:
      return TINYGLTF_TEXTURE_WRAP_MIRRORED_REPEAT;
    case 3:
    case 4:
      return TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
    default:
      return TINYGLTF_TEXTURE_WRAP_REPEAT;
  }
}

int Exporter::AddTexture(const sMesh& mesh) {
  if (mesh.textureCount <= 0 || !mesh.textures || !textures_) return -1;
  const render::Image* image = textures_(mesh);
  if (!image || image->empty()) return -1;
  const sTexture& stage0 = mesh.textures[0];
  const std::string name = NameText(stage0.name, sizeof stage0.name);
  int imageIndex;
  const auto known = imageOf_.find(image);
  if (known != imageOf_.end()) {
    imageIndex = known->second;
  } else {
    std::vector<uint8_t> png;
    if (!render::EncodePng(*image, &png)) {
      Warn("texture " + name + " could not be encoded as PNG; left out");
      return -1;
    }
    tinygltf::Image gltfImage;
    gltfImage.name = name;
    gltfImage.mimeType = "image/png";
    model_.images.push_back(gltfImage);
    asset_->pngImages.push_back(std::move(png));
    asset_->imageNames.push_back(UniqueImageStem(name));
    imageIndex = static_cast<int>(model_.images.size() - 1);
    imageOf_[image] = imageIndex;
  }
  tinygltf::Sampler sampler;
  sampler.wrapS = WrapMode(stage0.addressU);
  sampler.wrapT = WrapMode(stage0.addressV);
  int samplerIndex = -1;
  for (size_t s = 0; s < model_.samplers.size(); ++s) {
    if (model_.samplers[s].wrapS == sampler.wrapS && model_.samplers[s].wrapT == sampler.wrapT) {
      samplerIndex = static_cast<int>(s);
    }
  }
  if (samplerIndex < 0) {
    model_.samplers.push_back(sampler);
    samplerIndex = static_cast<int>(model_.samplers.size() - 1);
  }
  for (size_t t = 0; t < model_.textures.size(); ++t) {
    if (model_.textures[t].source == imageIndex && model_.textures[t].sampler == samplerIndex) {
      return static_cast<int>(t);
    }
  }
  tinygltf::Texture texture;
  texture.source = imageIndex;
  texture.sampler = samplerIndex;
  model_.textures.push_back(texture);
  return static_cast<int>(model_.textures.size() - 1);
}

// The texture's file stem (separators of either kind), made unique within the asset.
std::string Exporter::UniqueImageStem(const std::string& textureName) {
  std::string stem = textureName;
  const size_t slash = stem.find_last_of("/\\");
  if (slash != std::string::npos) stem = stem.substr(slash + 1);
  const size_t dot = stem.find_last_of('.');
  if (dot != std::string::npos && dot > 0) stem = stem.substr(0, dot);
  for (char& c : stem) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') c = '_';
  }
  if (stem.empty()) stem = "texture";
  std::string unique = stem;
  for (int n = 2; std::find(asset_->imageNames.begin(), asset_->imageNames.end(), unique) !=
                  asset_->imageNames.end();
       ++n) {
    unique = stem + "_" + std::to_string(n);
  }
  return unique;
}

}  // namespace korva::gltf
