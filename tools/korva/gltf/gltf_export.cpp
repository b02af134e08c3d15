#include "gltf/gltf_export.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <unordered_map>

#include "gltf/gltf_space.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/frame.h"
#include "model/texture.h"
#include "render/vertex_layout.h"
#include "text/utf8_text.h"

namespace korva::gltf {

GltfAsset::GltfAsset() : model(std::make_unique<tinygltf::Model>()) {}
GltfAsset::~GltfAsset() = default;
GltfAsset::GltfAsset(GltfAsset&&) noexcept = default;
GltfAsset& GltfAsset::operator=(GltfAsset&&) noexcept = default;

namespace {
constexpr uint32_t kPointList = 1, kLineList = 2, kLineStrip = 3, kTriangleList = 4,
                   kTriangleStrip = 5, kTriangleFan = 6;
constexpr int kMaxInfluences = 4;

bool Finite(double value) {
  return std::isfinite(value);
}

// A record's name as its bytes, which bones and tracks match frames by.
std::string NameBytes(const char* field, size_t size) {
  return std::string(field, strnlen(field, size));
}

// The same name as the UTF-8 text the document and the warnings hold.
std::string NameText(const char* field, size_t size) {
  return text::Utf8Text(NameBytes(field, size));
}

template <typename T>
std::vector<double> ToDoubles(const T& values) {
  return std::vector<double>(values.begin(), values.end());
}

// Appends data to buffer 0 as a bufferView of its own (4-byte aligned), and an accessor over it.
class BufferWriter {
 public:
  explicit BufferWriter(tinygltf::Model* model) : model_(model) {
    if (model_->buffers.empty()) model_->buffers.emplace_back();
  }

  int View(const void* data, size_t size, int target) {
    std::vector<unsigned char>& bytes = model_->buffers[0].data;
    bytes.resize((bytes.size() + 3) & ~size_t(3), 0);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = bytes.size();
    view.byteLength = size;
    view.target = target;
    const auto* begin = static_cast<const unsigned char*>(data);
    bytes.insert(bytes.end(), begin, begin + size);
    model_->bufferViews.push_back(view);
    return static_cast<int>(model_->bufferViews.size() - 1);
  }

  template <typename T>
  int Accessor(const std::vector<T>& values, int componentType, int type, size_t count, int target,
               bool normalized = false) {
    tinygltf::Accessor accessor;
    accessor.bufferView = View(values.data(), values.size() * sizeof(T), target);
    accessor.componentType = componentType;
    accessor.type = type;
    accessor.count = count;
    accessor.normalized = normalized;
    model_->accessors.push_back(accessor);
    return static_cast<int>(model_->accessors.size() - 1);
  }

  // A float accessor with its min and max, which glTF requires for positions and key times.
  int FloatAccessorWithBounds(const std::vector<float>& values, int components, int type,
                              int target) {
    const size_t count = values.size() / components;
    const int index = Accessor(values, TINYGLTF_COMPONENT_TYPE_FLOAT, type, count, target);
    std::vector<double> low(components, 0.0), high(components, 0.0);
    for (size_t i = 0; i < count; ++i) {
      for (int c = 0; c < components; ++c) {
        const double v = values[i * components + c];
        if (i == 0 || v < low[c]) low[c] = v;
        if (i == 0 || v > high[c]) high[c] = v;
      }
    }
    model_->accessors[index].minValues = low;
    model_->accessors[index].maxValues = high;
    return index;
  }

 private:
  tinygltf::Model* model_;
};

class Exporter {
 public:
  Exporter(const sObject& object, const ExportOptions& options, const TextureSource& textures,
           GltfAsset* asset)
      : object_(object),
        options_(options),
        textures_(textures),
        asset_(asset),
        model_(*asset->model),
        buffer_(&model_) {}

  void Run() {
    model_.asset.version = "2.0";
    model_.asset.generator = "korva export";
    CollectNodes();
    // Room for every mesh's attributes at once (at most 80 bytes a vertex, 4 an index): growing
    // the buffer attribute by attribute would copy it over and over.
    size_t estimate = 0;
    for (const sFrame* frame : frames_) {
      if (!frame || !frame->mesh) continue;
      estimate += 80 * static_cast<size_t>(std::max(frame->mesh->vertexCount, 0)) +
                  4 * static_cast<size_t>(std::max(frame->mesh->indexCount, 0));
    }
    model_.buffers[0].data.reserve(std::min<size_t>(estimate, size_t(1) << 30));
    for (size_t n = 0; n < frames_.size(); ++n) {
      const sFrame* frame = frames_[n];
      if (frame && frame->mesh) AddMesh(n, *frame->mesh);
    }
    AddAnimation();
    tinygltf::Scene scene;
    for (size_t n = 0; n < frames_.size(); ++n) {
      if (parents_[n] < 0) scene.nodes.push_back(static_cast<int>(n));
    }
    model_.scenes.push_back(scene);
    model_.defaultScene = 0;
    if (offsetsReplaced_ > 0) {
      Warn(std::to_string(offsetsReplaced_) +
           " bone offset matrices disagree with the frame tree's rest pose; the inverse bind "
           "matrices follow the frame tree");
    }
    if (!lostInfluences_.empty()) {
      for (const auto& [mesh, count] : lostInfluences_) {
        Warn(mesh + ": " + std::to_string(count) + " vertices had more than " +
             std::to_string(kMaxInfluences) +
             " bone influences; the largest four were kept and renormalised");
      }
    }
  }

 private:
  void Warn(const std::string& text) { asset_->warnings.push_back(text); }

  std::string FrameLabel(size_t node) const {
    return "frame \"" + NameText(frames_[node]->name, sizeof frames_[node]->name) + "\"";
  }

  // Depth first from the root frame and its siblings with an explicit stack, children before the
  // next sibling; a frame reached twice (a cycle in the links) is not walked again.
  void CollectNodes() {
    std::vector<std::pair<const sFrame*, int>> stack;
    for (const sFrame* root = object_.rootFrame; root; root = root->nextSibling) {
      if (std::find_if(stack.begin(), stack.end(),
                       [&](const auto& entry) { return entry.first == root; }) != stack.end()) {
        Warn("the root frames' sibling chain loops; the loop is cut");
        break;
      }
      stack.emplace_back(root, -1);
    }
    if (stack.size() > 1) {
      // glTF wants the joints of a skin to share a root, and an import leaves group frames and
      // every root joint side by side: one plain node above them all gives them that root.
      frames_.push_back(nullptr);
      parents_.push_back(-1);
      worlds_.push_back(Identity());
      hasTrs_.push_back(true);
      tinygltf::Node node;
      node.name = "root";
      model_.nodes.push_back(node);
      for (auto& entry : stack) entry.second = 0;
    }
    std::reverse(stack.begin(), stack.end());
    std::set<const sFrame*> seen;
    while (!stack.empty()) {
      const auto [frame, parent] = stack.back();
      stack.pop_back();
      if (!seen.insert(frame).second) {
        Warn("frame \"" + NameText(frame->name, sizeof frame->name) +
             "\" is linked twice; its second place is left out");
        continue;
      }
      const int index = static_cast<int>(frames_.size());
      frames_.push_back(frame);
      parents_.push_back(parent);
      nodeOf_[frame] = index;

      tinygltf::Node node;
      node.name = NameText(frame->name, sizeof frame->name);
      const Mat4 local = FromHost(frame->localMatrix);
      const Mat4 parentWorld = parent >= 0 ? worlds_[parent] : Identity();
      worlds_.push_back(Multiply(parentWorld, local));
      Trs trs;
      if (Decompose(local, &trs)) {
        if (trs.translation != Trs().translation) node.translation = ToDoubles(trs.translation);
        if (trs.rotation != Trs().rotation) node.rotation = ToDoubles(trs.rotation);
        if (trs.scale != Trs().scale) node.scale = ToDoubles(trs.scale);
        hasTrs_.push_back(true);
      } else {
        hasTrs_.push_back(false);
        bool finite = true;
        for (const auto& row : local.m) {
          for (double v : row) finite = finite && Finite(v);
        }
        if (finite) {
          for (int j = 0; j < 4; ++j) {
            for (int i = 0; i < 4; ++i) node.matrix.push_back(local.m[i][j]);  // column major
          }
        } else {
          Warn(FrameLabel(index) + ": local matrix is not finite; identity written");
        }
      }
      if (parent >= 0) model_.nodes[parent].children.push_back(index);
      model_.nodes.push_back(node);

      // Children in their sibling order: push them reversed so the first is taken next.
      std::vector<const sFrame*> children;
      std::set<const sFrame*> chain;
      for (const sFrame* child = frame->firstChild; child; child = child->nextSibling) {
        if (!chain.insert(child).second) break;
        children.push_back(child);
      }
      for (auto it = children.rbegin(); it != children.rend(); ++it) stack.emplace_back(*it, index);
    }
  }

  // The first frame in tree order with the name (its bytes), as bones and tracks find frames.
  int NodeNamed(const std::string& name) {
    if (nodeNamed_.empty()) {
      for (size_t n = 0; n < frames_.size(); ++n) {
        if (frames_[n]) {
          nodeNamed_.emplace(NameBytes(frames_[n]->name, sizeof frames_[n]->name),
                             static_cast<int>(n));
        }
      }
    }
    const auto found = nodeNamed_.find(name);
    return found == nodeNamed_.end() ? -1 : found->second;
  }

  // Corners the mesh draws for its primitive type and count, or -1 for a type glTF cannot hold.
  static int64_t CornersFor(uint32_t type, int64_t primitives, int* mode) {
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
  static int ListStep(uint32_t type) {
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
  bool Corners(const sMesh& mesh, const std::string& label, int mode, std::vector<uint32_t>* out) {
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

  void AddMesh(size_t node, const sMesh& mesh) {
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
      const render::Vertex vertex =
          render::ReadVertex(mesh.vertexData + v * mesh.vertexSize, layout);
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

  int AddMaterial(size_t node, const sMesh& mesh, bool hasTexcoords) {
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

  static int WrapMode(int32_t address) {
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

  int AddTexture(const sMesh& mesh) {
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
  std::string UniqueImageStem(const std::string& textureName) {
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

  // Bones become joints; their vertex lists become JOINTS_0 / WEIGHTS_0. Each inverse bind matrix
  // takes the joint's rest place back to the mesh frame's, so a viewer draws the rest pose where
  // the renderer draws the mesh whatever the bones' offset matrices hold. Vertices that no bone
  // moves follow the mesh frame itself, which joins the skin as its last joint.
  // Returns the skin's index, or -1 when the mesh has none.
  int AddSkin(size_t node, const sMesh& mesh, const std::string& label, size_t vertexCount,
              tinygltf::Primitive* primitive) {
    if (mesh.boneCount <= 0 || !mesh.bones) return -1;
    std::vector<int> joints;  // node per joint
    std::vector<int> jointOfBone(mesh.boneCount, -1);
    size_t unnamed = 0, offsetsReplaced = 0;
    for (int32_t b = 0; b < mesh.boneCount; ++b) {
      const sBone& bone = mesh.bones[b];
      const int target = NodeNamed(NameBytes(bone.name, sizeof bone.name));
      if (target < 0) {
        ++unnamed;
        continue;
      }
      const auto at = std::find(joints.begin(), joints.end(), target);
      jointOfBone[b] = static_cast<int>(at - joints.begin());
      if (at == joints.end()) joints.push_back(target);
      if (!OffsetAgrees(bone.offsetMatrix, target, node)) ++offsetsReplaced;
    }
    if (unnamed > 0) {
      Warn(label + ": " + std::to_string(unnamed) +
           " bones name no frame; their influences are left out");
    }
    if (joints.empty()) return -1;
    if (joints.size() >= 0xFFFF) {  // JOINTS_0 holds 16-bit joint numbers at most
      Warn(label + ": more joints than glTF can number; the skin is left out");
      return -1;
    }
    offsetsReplaced_ += offsetsReplaced;

    // Four slots per vertex, filled in bone order; a vertex that needs a fifth moves all its
    // influences to a list of its own (rare), so the largest four can be chosen exactly.
    using Influence = std::pair<int, float>;
    std::vector<Influence> slots(vertexCount * kMaxInfluences, Influence(-1, 0.0f));
    std::map<size_t, std::vector<Influence>> crowded;
    size_t outside = 0;
    for (int32_t b = 0; b < mesh.boneCount; ++b) {
      const sBone& bone = mesh.bones[b];
      const int joint = jointOfBone[b];
      if (joint < 0 || bone.vertexCount <= 0 || !bone.vertices || !bone.weights) continue;
      for (int32_t k = 0; k < bone.vertexCount; ++k) {
        const uint32_t vertex = bone.vertices[k];
        const float weight = bone.weights[k];
        if (vertex >= vertexCount) {
          ++outside;
          continue;
        }
        if (!(weight > 0.0f) || !std::isfinite(weight)) continue;
        const auto more = crowded.find(vertex);
        Influence* begin = &slots[vertex * kMaxInfluences];
        Influence* end = begin + kMaxInfluences;
        if (more != crowded.end()) begin = more->second.data(), end = begin + more->second.size();
        Influence* same =
            std::find_if(begin, end, [&](const Influence& i) { return i.first == joint; });
        if (same != end) {
          same->second += weight;
          continue;
        }
        if (more != crowded.end()) {
          more->second.emplace_back(joint, weight);
          continue;
        }
        Influence* free = std::find_if(begin, end, [](const Influence& i) { return i.first < 0; });
        if (free != end) {
          *free = Influence(joint, weight);
        } else {
          std::vector<Influence>& all = crowded[vertex];
          all.assign(begin, end);
          all.emplace_back(joint, weight);
        }
      }
    }
    if (outside > 0) {
      Warn(label + ": " + std::to_string(outside) +
           " bone influences name vertices past the mesh's; left out");
    }
    for (auto& [vertex, all] : crowded) {
      std::stable_sort(all.begin(), all.end(),
                       [](const Influence& a, const Influence& b) { return a.second > b.second; });
      std::copy(all.begin(), all.begin() + kMaxInfluences, &slots[vertex * kMaxInfluences]);
    }
    const size_t lost = crowded.size();
    const int ownJoint = static_cast<int>(joints.size());
    bool ownJointUsed = false;
    std::vector<uint16_t> jointData(vertexCount * kMaxInfluences, 0);
    std::vector<float> weightData(vertexCount * kMaxInfluences, 0.0f);
    for (size_t v = 0; v < vertexCount; ++v) {
      Influence* list = &slots[v * kMaxInfluences];
      if (list[0].first < 0) {
        list[0] = Influence(ownJoint, 1.0f);
        ownJointUsed = true;
      }
      double sum = 0;
      for (int k = 0; k < kMaxInfluences && list[k].first >= 0; ++k) sum += list[k].second;
      for (int k = 0; k < kMaxInfluences && list[k].first >= 0; ++k) {
        jointData[v * kMaxInfluences + k] = static_cast<uint16_t>(list[k].first);
        weightData[v * kMaxInfluences + k] = static_cast<float>(list[k].second / sum);
      }
    }
    if (lost > 0) lostInfluences_[label] += lost;

    tinygltf::Skin skin;
    skin.name = model_.nodes[node].name;
    skin.joints = joints;
    if (ownJointUsed) skin.joints.push_back(static_cast<int>(node));
    std::vector<float> inverseBinds;
    Mat4 meshWorld = worlds_[node];
    for (int joint : skin.joints) {
      Mat4 inverse;
      if (!Invert(worlds_[joint], &inverse)) {
        Warn(label + ": joint " + FrameLabel(joint) + " has a singular rest matrix; identity used");
        inverse = Identity();
      }
      const Mat4 bind = joint == static_cast<int>(node) ? Identity() : Multiply(inverse, meshWorld);
      for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) inverseBinds.push_back(static_cast<float>(bind.m[i][j]));
      }
    }
    skin.inverseBindMatrices = buffer_.Accessor(inverseBinds, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                                TINYGLTF_TYPE_MAT4, skin.joints.size(), 0);
    if (skin.joints.size() <= 256) {
      std::vector<uint8_t> narrow(jointData.begin(), jointData.end());
      primitive->attributes["JOINTS_0"] =
          buffer_.Accessor(narrow, TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE, TINYGLTF_TYPE_VEC4,
                           vertexCount, TINYGLTF_TARGET_ARRAY_BUFFER);
    } else {
      primitive->attributes["JOINTS_0"] =
          buffer_.Accessor(jointData, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, TINYGLTF_TYPE_VEC4,
                           vertexCount, TINYGLTF_TARGET_ARRAY_BUFFER);
    }
    primitive->attributes["WEIGHTS_0"] =
        buffer_.Accessor(weightData, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC4, vertexCount,
                         TINYGLTF_TARGET_ARRAY_BUFFER);
    model_.skins.push_back(skin);
    return static_cast<int>(model_.skins.size() - 1);
  }

  // Whether the bone's offset matrix is the inverse bind matrix the frame tree gives.
  bool OffsetAgrees(const D3DXMATRIX& offset, int joint, size_t meshNode) const {
    Mat4 inverse;
    if (!Invert(worlds_[joint], &inverse)) return false;
    const Mat4 expected = Multiply(inverse, worlds_[meshNode]);
    const Mat4 given = FromHost(offset);
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        if (!(std::fabs(expected.m[i][j] - given.m[i][j]) <=
              1e-3 * (1 + std::fabs(expected.m[i][j])))) {
          return false;
        }
      }
    }
    return true;
  }

  // Sorted, strictly increasing frames with the keys' values; a repeated frame keeps its last key.
  template <typename Key, typename Value>
  void AddChannel(const Key* keys, int32_t count, int node, const std::string& path,
                  const std::string& trackLabel, Value value, tinygltf::Animation* animation) {
    if (count <= 0 || !keys) return;
    std::vector<const Key*> order;
    for (int32_t k = 0; k < count; ++k) {
      if (keys[k].frame >= 0) order.push_back(&keys[k]);
    }
    if (order.size() < static_cast<size_t>(count)) {
      Warn(trackLabel + ": " + std::to_string(count - order.size()) + " " + path +
           " keys before frame 0 left out");
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Key* a, const Key* b) { return a->frame < b->frame; });
    std::vector<float> times, values;
    size_t repeated = 0;
    for (const Key* key : order) {
      const auto v = value(*key);
      const float time = static_cast<float>(key->frame / options_.framesPerSecond);
      if (!times.empty() && times.back() >= time) {
        ++repeated;
        values.resize(values.size() - v.size());
        times.pop_back();
      }
      times.push_back(time);
      for (double c : v) values.push_back(Finite(c) ? static_cast<float>(c) : 0.0f);
    }
    if (repeated > 0) {
      Warn(trackLabel + ": " + std::to_string(repeated) + " " + path +
           " keys share a frame with a later key; the later one is kept");
    }
    if (times.empty()) return;
    const int components = static_cast<int>(values.size() / times.size());
    tinygltf::AnimationSampler sampler;
    sampler.input = buffer_.FloatAccessorWithBounds(times, 1, TINYGLTF_TYPE_SCALAR, 0);
    sampler.output = buffer_.Accessor(values, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                      components == 4 ? TINYGLTF_TYPE_VEC4 : TINYGLTF_TYPE_VEC3,
                                      times.size(), 0);
    sampler.interpolation = "LINEAR";
    animation->samplers.push_back(sampler);
    tinygltf::AnimationChannel channel;
    channel.sampler = static_cast<int>(animation->samplers.size() - 1);
    channel.target_node = node;
    channel.target_path = path;
    animation->channels.push_back(channel);
  }

  void AddAnimation() {
    const sAnimationSet* set = object_.animationSet;
    if (!set) return;
    tinygltf::Animation animation;
    animation.name = NameText(set->name, sizeof set->name);
    std::set<const sAnimation*> seen;
    std::set<int> animatedNodes;
    for (const sAnimation* track = set->firstTrack; track; track = track->next) {
      if (!seen.insert(track).second) {
        Warn("the animation tracks' chain loops; the loop is cut");
        break;
      }
      const std::string trackLabel =
          "animation track \"" + NameText(track->name, sizeof track->name) + "\"";
      const int node = NodeNamed(NameBytes(track->name, sizeof track->name));
      if (node < 0) {
        Warn(trackLabel + " names no frame; left out");
        continue;
      }
      if (!hasTrs_[node]) {
        Warn(trackLabel + ": its frame's matrix is not translation, rotation and scale; left out");
        continue;
      }
      if (!animatedNodes.insert(node).second) {
        Warn(trackLabel + ": a second track for the frame; left out");
        continue;
      }
      const bool hasTrsKeys =
          track->positionKeyCount > 0 || track->rotationKeyCount > 0 || track->scaleKeyCount > 0;
      AddChannel(
          track->positionKeys, track->positionKeyCount, node, "translation", trackLabel,
          [](const sPositionKey& key) { return MirrorPoint(key.position); }, &animation);
      AddChannel(
          track->rotationKeys, track->rotationKeyCount, node, "rotation", trackLabel,
          [](const sRotateKey& key) { return NormalizeQuaternion(MirrorQuaternion(key.rotation)); },
          &animation);
      AddChannel(
          track->scaleKeys, track->scaleKeyCount, node, "scale", trackLabel,
          [](const sScaleKey& key) {
            return std::array<double, 3>{key.scale.x, key.scale.y, key.scale.z};
          },
          &animation);
      if (!hasTrsKeys && track->matrixKeyCount > 0 && track->matrixKeys) {
        AddMatrixKeys(*track, node, trackLabel, &animation);
      }
    }
    if (!animation.channels.empty()) model_.animations.push_back(animation);
  }

  // A track that holds only whole matrices: each is split into translation, rotation and scale.
  void AddMatrixKeys(const sAnimation& track, int node, const std::string& trackLabel,
                     tinygltf::Animation* animation) {
    std::vector<sPositionKey> positions;
    std::vector<sRotateKey> rotations;
    std::vector<sScaleKey> scales;
    size_t sheared = 0;
    std::vector<std::array<double, 4>> mirroredRotations;
    for (int32_t k = 0; k < track.matrixKeyCount; ++k) {
      const sMatrixKey& key = track.matrixKeys[k];
      Trs trs;
      if (!Decompose(FromHost(key.matrix), &trs)) {
        ++sheared;
        continue;
      }
      // Stored back in host terms so the channels convert them like any other key.
      sPositionKey position{};
      position.frame = key.frame;
      position.position = {float(trs.translation[0]), float(trs.translation[1]),
                           float(-trs.translation[2])};
      sRotateKey rotation{};
      rotation.frame = key.frame;
      rotation.rotation = {float(-trs.rotation[0]), float(-trs.rotation[1]), float(trs.rotation[2]),
                           float(trs.rotation[3])};
      sScaleKey scale{};
      scale.frame = key.frame;
      scale.scale = {float(trs.scale[0]), float(trs.scale[1]), float(trs.scale[2])};
      positions.push_back(position);
      rotations.push_back(rotation);
      scales.push_back(scale);
    }
    if (sheared > 0) {
      Warn(trackLabel + ": " + std::to_string(sheared) +
           " matrix keys are not translation, rotation and scale; left out");
    }
    const int32_t count = static_cast<int32_t>(positions.size());
    AddChannel(
        positions.data(), count, node, "translation", trackLabel,
        [](const sPositionKey& key) { return MirrorPoint(key.position); }, animation);
    AddChannel(
        rotations.data(), count, node, "rotation", trackLabel,
        [](const sRotateKey& key) { return NormalizeQuaternion(MirrorQuaternion(key.rotation)); },
        animation);
    AddChannel(
        scales.data(), count, node, "scale", trackLabel,
        [](const sScaleKey& key) {
          return std::array<double, 3>{key.scale.x, key.scale.y, key.scale.z};
        },
        animation);
  }

  const sObject& object_;
  const ExportOptions& options_;
  const TextureSource& textures_;
  GltfAsset* asset_;
  tinygltf::Model& model_;
  BufferWriter buffer_;
  std::vector<const sFrame*> frames_;  // node index -> frame
  std::vector<int> parents_;           // node index -> parent node, -1 for a root
  std::vector<Mat4> worlds_;           // node index -> rest world matrix (glTF space)
  std::vector<bool> hasTrs_;
  std::unordered_map<const sFrame*, int> nodeOf_;
  std::unordered_map<std::string, int> nodeNamed_;
  std::map<const render::Image*, int> imageOf_;
  std::map<std::string, size_t> lostInfluences_;
  size_t offsetsReplaced_ = 0;
};
}  // namespace

GltfAsset BuildGltf(const sObject& object, const ExportOptions& options,
                    const TextureSource& textures) {
  GltfAsset asset;
  Exporter(object, options, textures, &asset).Run();
  return asset;
}

}  // namespace korva::gltf
