#include "gltf/samples/gltf_cases.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "render/image.h"

namespace korva::testing {
namespace {
using json = nlohmann::json;

constexpr int kByte = 5120, kUnsignedByte = 5121, kShort = 5122, kUnsignedShort = 5123,
              kUnsignedInt = 5125, kFloat = 5126;

std::string Base64(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t word = uint32_t{bytes[i]} << 16;
    if (i + 1 < bytes.size()) word |= uint32_t{bytes[i + 1]} << 8;
    if (i + 2 < bytes.size()) word |= bytes[i + 2];
    for (size_t k = 0; k < 4; ++k) {
      out += k <= (bytes.size() - i) ? kDigits[(word >> (18 - 6 * k)) & 63] : '=';
    }
  }
  return out;
}

void Word(std::vector<uint8_t>* out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(value >> shift));
}

// A triangle facing +z (anticlockwise seen from +z, as glTF winds front faces).
const std::vector<float> kTriangle = {0, 0, 0, 1, 0, 0, 0, 1, 0};
const std::vector<float> kUpNormals = {0, 0, 1, 0, 0, 1, 0, 0, 1};

// A mesh of one primitive with the attributes given; returns the mesh's index.
int Mesh(AssetBuilder& a, json attributes, int indices = -1, int mode = 4, int material = -1) {
  json primitive = {{"attributes", std::move(attributes)}, {"mode", mode}};
  if (indices >= 0) primitive["indices"] = indices;
  if (material >= 0) primitive["material"] = material;
  return a.Add("meshes", {{"primitives", json::array({primitive})}});
}

// The common start: a triangle with normals on one node.
AssetBuilder TriangleAsset() {
  AssetBuilder a;
  const int mesh = Mesh(a, {{"POSITION", a.Floats(kTriangle, "VEC3", true)},
                            {"NORMAL", a.Floats(kUpNormals, "VEC3")}});
  a.Scene({a.Add("nodes", {{"name", "Triangle"}, {"mesh", mesh}})});
  return a;
}

// A key frame's time at 25 frames a second.
float At(int frame) {
  return static_cast<float>(frame / 25.0);
}

}  // namespace

AssetBuilder::AssetBuilder() {
  json = {{"asset", {{"version", "2.0"}, {"generator", "korva tests"}}}};
}

int AssetBuilder::View(const void* data, size_t size, int stride, int target) {
  bin.resize((bin.size() + 3) & ~size_t{3}, 0);
  nlohmann::json view = {{"buffer", 0}, {"byteOffset", bin.size()}, {"byteLength", size}};
  if (stride) view["byteStride"] = stride;
  if (target) view["target"] = target;
  const auto* bytes = static_cast<const uint8_t*>(data);
  bin.insert(bin.end(), bytes, bytes + size);
  return Add("bufferViews", view);
}

int AssetBuilder::Accessor(int view, int componentType, size_t count, const char* type,
                           bool normalized) {
  nlohmann::json accessor = {{"componentType", componentType}, {"count", count}, {"type", type}};
  if (view >= 0) accessor["bufferView"] = view;
  if (normalized) accessor["normalized"] = true;
  return Add("accessors", accessor);
}

int AssetBuilder::Floats(const std::vector<float>& values, const char* type, bool bounds) {
  const size_t components = std::string(type) == "SCALAR" ? 1
                            : std::string(type) == "VEC2" ? 2
                            : std::string(type) == "VEC3" ? 3
                            : std::string(type) == "VEC4" ? 4
                                                          : 16;
  const int index =
      Accessor(View(values.data(), values.size() * 4), kFloat, values.size() / components, type);
  if (bounds) {
    std::vector<float> low(values.begin(), values.begin() + components), high = low;
    for (size_t i = 0; i < values.size(); ++i) {
      low[i % components] = std::min(low[i % components], values[i]);
      high[i % components] = std::max(high[i % components], values[i]);
    }
    json["accessors"][static_cast<size_t>(index)]["min"] = low;
    json["accessors"][static_cast<size_t>(index)]["max"] = high;
  }
  return index;
}

int AssetBuilder::Indices16(const std::vector<uint16_t>& values) {
  return Accessor(View(values.data(), values.size() * 2, 0, 34963), kUnsignedShort, values.size(),
                  "SCALAR");
}

int AssetBuilder::Add(const char* array, nlohmann::json element) {
  json[array].push_back(std::move(element));
  return static_cast<int>(json[array].size() - 1);
}

void AssetBuilder::Scene(const std::vector<int>& roots) {
  json["scenes"] = nlohmann::json::array({{{"nodes", roots}}});
  json["scene"] = 0;
}

std::vector<uint8_t> AssetBuilder::Glb() const {
  nlohmann::json document = json;
  std::vector<uint8_t> chunk = bin;
  chunk.resize((chunk.size() + 3) & ~size_t{3}, 0);
  if (!bin.empty()) {
    // Buffer 0 is the binary chunk; buffers a case adds itself follow it.
    nlohmann::json buffers = nlohmann::json::array({{{"byteLength", bin.size()}}});
    for (const auto& extra : json.value("buffers", nlohmann::json::array()))
      buffers.push_back(extra);
    document["buffers"] = buffers;
  }
  std::string text = document.dump();
  text.resize((text.size() + 3) & ~size_t{3}, ' ');
  std::vector<uint8_t> out;
  const size_t total = 12 + 8 + text.size() + (bin.empty() ? 0 : 8 + chunk.size());
  Word(&out, 0x46546C67u);
  Word(&out, 2);
  Word(&out, static_cast<uint32_t>(total));
  Word(&out, static_cast<uint32_t>(text.size()));
  Word(&out, 0x4E4F534Au);
  out.insert(out.end(), text.begin(), text.end());
  if (!bin.empty()) {
    Word(&out, static_cast<uint32_t>(chunk.size()));
    Word(&out, 0x004E4942u);
    out.insert(out.end(), chunk.begin(), chunk.end());
  }
  return out;
}

std::vector<uint8_t> AssetBuilder::GltfWithDataUri() const {
  nlohmann::json document = json;
  if (!bin.empty()) {
    document["buffers"] =
        nlohmann::json::array({{{"byteLength", bin.size()},
                                {"uri", "data:application/octet-stream;base64," + Base64(bin)}}});
  }
  const std::string text = document.dump(1);
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<GltfCase> GltfCases() {
  std::vector<GltfCase> cases;
  const auto add = [&](std::string name, std::vector<uint8_t> bytes, bool valid = true,
                       std::map<std::string, std::vector<uint8_t>> files = {}) {
    cases.push_back({std::move(name), std::move(bytes), std::move(files), valid});
  };

  add("triangle", TriangleAsset().Glb());
  add("triangle_data_uri", TriangleAsset().GltfWithDataUri());
  {
    // 8-bit indices, no normals (flat ones are made), two triangles sharing an edge.
    AssetBuilder a;
    const std::vector<uint8_t> indices = {0, 1, 2, 2, 1, 3};
    const int index = a.Accessor(a.View(indices.data(), 6, 0, 34963), kUnsignedByte, 6, "SCALAR");
    const int mesh = Mesh(
        a, {{"POSITION", a.Floats({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 1}, "VEC3", true)}}, index);
    a.Scene({a.Add("nodes", {{"name", "Flat"}, {"mesh", mesh}})});
    add("flat_normals_u8_indices", a.Glb());
  }
  {
    // Position, normal and texture coordinates interleaved in one view of 32-byte vertices.
    AssetBuilder a;
    std::vector<float> interleaved;
    for (int v = 0; v < 3; ++v) {
      interleaved.insert(interleaved.end(), {kTriangle[v * 3], kTriangle[v * 3 + 1],
                                             kTriangle[v * 3 + 2], 0, 0, 1, float(v), 0.5f});
    }
    const int view = a.View(interleaved.data(), interleaved.size() * 4, 32, 34962);
    const int position = a.Accessor(view, kFloat, 3, "VEC3");
    a.json["accessors"][0]["min"] = {0, 0, 0};
    a.json["accessors"][0]["max"] = {1, 1, 0};
    const int normal = a.Add("accessors", {{"bufferView", view},
                                           {"byteOffset", 12},
                                           {"componentType", kFloat},
                                           {"count", 3},
                                           {"type", "VEC3"}});
    const int uv = a.Add("accessors", {{"bufferView", view},
                                       {"byteOffset", 24},
                                       {"componentType", kFloat},
                                       {"count", 3},
                                       {"type", "VEC2"}});
    const int mesh = Mesh(a, {{"POSITION", position}, {"NORMAL", normal}, {"TEXCOORD_0", uv}});
    a.Scene({a.Add("nodes", {{"name", "Interleaved"}, {"mesh", mesh}})});
    add("interleaved", a.Glb());
  }
  {
    // KHR_mesh_quantization: 16-bit positions scaled by the node, 8-bit normalised normals,
    // 16-bit normalised texture coordinates and colours.
    AssetBuilder a;
    const std::vector<int16_t> positions = {0, 0, 0, 0, 100, 0, 0, 0, 0, 100, 0, 0};
    const std::vector<int8_t> normals = {0, 0, 127, 0, 0, 0, 127, 0, 0, 0, 127, 0};
    const std::vector<uint16_t> uvs = {0, 0, 65535, 0, 0, 65535};
    const std::vector<uint16_t> colours = {65535, 0,     0, 65535, 0,     65535,
                                           0,     65535, 0, 0,     65535, 65535};
    const int position = a.Accessor(a.View(positions.data(), 24, 8, 34962), kShort, 3, "VEC3");
    a.json["accessors"][0]["min"] = {0, 0, 0};
    a.json["accessors"][0]["max"] = {100, 100, 0};
    const int normal = a.Accessor(a.View(normals.data(), 12, 4, 34962), kByte, 3, "VEC3", true);
    const int uv = a.Accessor(a.View(uvs.data(), 12, 0, 34962), kUnsignedShort, 3, "VEC2", true);
    const int colour =
        a.Accessor(a.View(colours.data(), 24, 0, 34962), kUnsignedShort, 3, "VEC4", true);
    const int mesh = Mesh(
        a, {{"POSITION", position}, {"NORMAL", normal}, {"TEXCOORD_0", uv}, {"COLOR_0", colour}});
    a.Scene(
        {a.Add("nodes", {{"name", "Quantized"}, {"mesh", mesh}, {"scale", {0.01, 0.01, 0.01}}})});
    a.json["extensionsUsed"] = {"KHR_mesh_quantization"};
    a.json["extensionsRequired"] = {"KHR_mesh_quantization"};
    add("quantized", a.Glb());
  }
  {
    // A sparse accessor moves vertex 2 of the triangle to (0, 2, 0).
    AssetBuilder a;
    const int base = a.Floats(kTriangle, "VEC3");
    const std::vector<uint8_t> which = {2, 0, 0, 0};
    const std::vector<float> value = {0, 2, 0};
    const int indicesView = a.View(which.data(), 4);
    const int valuesView = a.View(value.data(), 12);
    a.json["accessors"][static_cast<size_t>(base)]["sparse"] = {
        {"count", 1},
        {"indices", {{"bufferView", indicesView}, {"componentType", kUnsignedByte}}},
        {"values", {{"bufferView", valuesView}}}};
    a.json["accessors"][static_cast<size_t>(base)]["min"] = {0, 0, 0};
    a.json["accessors"][static_cast<size_t>(base)]["max"] = {1, 2, 0};
    const int mesh = Mesh(a, {{"POSITION", base}, {"NORMAL", a.Floats(kUpNormals, "VEC3")}});
    a.Scene({a.Add("nodes", {{"name", "Sparse"}, {"mesh", mesh}})});
    add("sparse", a.Glb());
  }
  for (const auto& [name, mode] : std::vector<std::pair<std::string, int>>{{"points", 0},
                                                                           {"lines", 1},
                                                                           {"line_loop", 2},
                                                                           {"line_strip", 3},
                                                                           {"strip", 5},
                                                                           {"fan", 6}}) {
    // A square of four corners in the order each mode draws it facing +z.
    AssetBuilder a;
    const std::vector<float> strip = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
    const std::vector<float> fan = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const std::vector<float> normals = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    const int mesh = Mesh(a,
                          {{"POSITION", a.Floats(mode == 6 ? fan : strip, "VEC3", true)},
                           {"NORMAL", a.Floats(normals, "VEC3")}},
                          -1, mode);
    a.Scene({a.Add("nodes", {{"name", name}, {"mesh", mesh}})});
    add(name, a.Glb());
  }
  {
    // Two primitives on one node, two root nodes, a base colour texture held in the .glb.
    AssetBuilder a;
    render::Image picture(2, 2, {255, 0, 0, 255});
    std::vector<uint8_t> png;
    render::EncodePng(picture, &png);
    a.Add("images", {{"bufferView", a.View(png.data(), png.size())}, {"mimeType", "image/png"}});
    a.Add("samplers", {{"wrapS", 33071}, {"wrapT", 33648}});
    a.Add("textures", {{"source", 0}, {"sampler", 0}});
    a.Add("materials",
          {{"pbrMetallicRoughness",
            {{"baseColorFactor", {0.5, 0.25, 1.0, 0.75}}, {"baseColorTexture", {{"index", 0}}}}},
           {"emissiveFactor", {0.1, 0.2, 0.3}}});
    const json attributes = {{"POSITION", a.Floats(kTriangle, "VEC3", true)},
                             {"NORMAL", a.Floats(kUpNormals, "VEC3")},
                             {"TEXCOORD_0", a.Floats({0, 0, 1, 0, 0, 1}, "VEC2")}};
    json primitive = {{"attributes", attributes}, {"material", 0}};
    const int mesh = a.Add("meshes", {{"primitives", {primitive, primitive}}});
    a.Scene({a.Add("nodes", {{"name", "Textured"}, {"mesh", mesh}}),
             a.Add("nodes", {{"name", "Other"}, {"translation", {1, 2, 3}}})});
    add("textured_two_primitives", a.Glb());
  }
  {
    // A mesh of 70002 vertices (23334 triangles side by side) with 32-bit indices.
    AssetBuilder a;
    std::vector<float> positions;
    std::vector<uint32_t> indices;
    for (uint32_t t = 0; t < 23334; ++t) {
      const float x = float(t % 200), y = float(t / 200);
      positions.insert(positions.end(), {x, y, 0, x + 1, y, 0, x, y + 1, 0});
      indices.insert(indices.end(), {3 * t, 3 * t + 1, 3 * t + 2});
    }
    const int index = a.Accessor(a.View(indices.data(), indices.size() * 4, 0, 34963), kUnsignedInt,
                                 indices.size(), "SCALAR");
    const int mesh = Mesh(a, {{"POSITION", a.Floats(positions, "VEC3", true)}}, index);
    a.Scene({a.Add("nodes", {{"name", "Big"}, {"mesh", mesh}})});
    add("past_16_bit", a.Glb());
  }
  {
    // A skinned, animated two-joint limb: rotation keys on whole frames (kept), a stepped
    // translation and a cubic-spline scale (sampled at every frame), a morph target and its
    // weights, and an extension used but not required.
    AssetBuilder a;
    const std::vector<float> positions = {0, 0, 0, 1, 0, 0, 0, 2, 0, 1, 2, 0};
    const std::vector<float> normals(12, 0.0f);
    std::vector<float> unitNormals = normals;
    for (int v = 0; v < 4; ++v) unitNormals[v * 3 + 2] = 1;
    const std::vector<uint8_t> joints = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0};
    const std::vector<float> weights = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0.25f, 0.75f, 0, 0};
    const int jointAccessor =
        a.Accessor(a.View(joints.data(), 16, 0, 34962), kUnsignedByte, 4, "VEC4");
    json attributes = {{"POSITION", a.Floats(positions, "VEC3", true)},
                       {"NORMAL", a.Floats(unitNormals, "VEC3")},
                       {"JOINTS_0", jointAccessor},
                       {"WEIGHTS_0", a.Floats(weights, "VEC4")}};
    const int target = a.Floats({0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1}, "VEC3", true);
    json primitive = {{"attributes", attributes},
                      {"indices", a.Indices16({0, 1, 2, 2, 1, 3})},
                      {"targets", {{{"POSITION", target}}}}};
    const int mesh = a.Add("meshes", {{"primitives", {primitive}}, {"weights", {0.0}}});
    const std::vector<float> inverseBinds = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0,  0, 1,
                                             1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 1};
    a.Add("skins", {{"joints", {1, 2}}, {"inverseBindMatrices", a.Floats(inverseBinds, "MAT4")}});
    const int skinned = a.Add("nodes", {{"name", "Limb"}, {"mesh", mesh}, {"skin", 0}});
    const int hip = a.Add("nodes", {{"name", "Hip"}, {"children", {2}}});
    a.Add("nodes", {{"name", "Knee"}, {"translation", {0, 1, 0}}});
    const float s = std::sqrt(0.5f);
    const int rotationTimes = a.Floats({At(0), At(2), At(4)}, "SCALAR", true);
    const int rotations = a.Floats({0, 0, 0, 1, 0, 0, s, s, 0, 0, 1, 0}, "VEC4");
    const int stepTimes = a.Floats({At(0), 0.1f}, "SCALAR", true);  // 0.1 s: frame 2.5
    const int steps = a.Floats({0, 0, 0, 0, 0, 1}, "VEC3");
    const int splineTimes = a.Floats({At(0), At(3)}, "SCALAR", true);
    const int splines = a.Floats({0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 2, 2, 2, 0, 0, 0}, "VEC3");
    const int weightTimes = a.Floats({At(0), At(1)}, "SCALAR", true);
    const int weightValues = a.Floats({0, 1}, "SCALAR");
    a.Add("animations",
          {{"name", "Bend"},
           {"samplers",
            {{{"input", rotationTimes}, {"output", rotations}},
             {{"input", stepTimes}, {"output", steps}, {"interpolation", "STEP"}},
             {{"input", splineTimes}, {"output", splines}, {"interpolation", "CUBICSPLINE"}},
             {{"input", weightTimes}, {"output", weightValues}}}},
           {"channels",
            {{{"sampler", 0}, {"target", {{"node", 2}, {"path", "rotation"}}}},
             {{"sampler", 1}, {"target", {{"node", hip}, {"path", "translation"}}}},
             {{"sampler", 2}, {"target", {{"node", 2}, {"path", "scale"}}}},
             {{"sampler", 3}, {"target", {{"node", skinned}, {"path", "weights"}}}}}}});
    a.Add("animations",
          {{"name", "Other"},
           {"samplers", {{{"input", weightTimes}, {"output", weightValues}}}},
           {"channels", {{{"sampler", 0}, {"target", {{"node", skinned}, {"path", "weights"}}}}}}});
    a.json["extensionsUsed"] = {"KHR_materials_clearcoat"};
    a.Scene({skinned, hip});
    add("skinned_animated", a.Glb());
  }
  {
    // Buffers in files beside the asset: a name with a space (percent-encoded) and a '+'.
    AssetBuilder a = TriangleAsset();
    nlohmann::json document = a.json;
    document["buffers"] = {{{"byteLength", a.bin.size()}, {"uri", "my%20data+1.bin"}}};
    const std::string text = document.dump();
    add("external_buffer", {text.begin(), text.end()}, true, {{"my data+1.bin", a.bin}});
  }

  {
    // A byte stride on the view of the indices, as some widely used sample assets have: the
    // validator objects, the data reads without doubt.
    AssetBuilder a = TriangleAsset();
    const int indices = a.Indices16({0, 9, 2, 9, 1, 9});
    const size_t view = a.json["accessors"][static_cast<size_t>(indices)]["bufferView"];
    a.json["bufferViews"][view]["byteStride"] = 4;
    a.json["accessors"][static_cast<size_t>(indices)]["count"] = 3;
    a.json["meshes"][0]["primitives"][0]["indices"] = indices;
    add("strided_indices", a.Glb(), false);
  }

  {
    // An accessor of no elements (glTF wants at least one; found by the fuzz target).
    AssetBuilder a = TriangleAsset();
    a.json["accessors"][0]["count"] = 0;
    add("empty_accessor", a.Glb(), false);
  }

  {
    // Two translation channels for one node: the later is kept, the earlier counts for nothing.
    AssetBuilder a = TriangleAsset();
    const json earlier = {{"input", a.Floats({0, 1}, "SCALAR", true)},
                          {"output", a.Floats({0, 0, 0, 5, 5, 5}, "VEC3")}};
    const json later = {{"input", a.Floats({0.08f}, "SCALAR", true)},
                        {"output", a.Floats({1, 2, 3}, "VEC3")}};
    const json target = {{"node", 0}, {"path", "translation"}};
    a.Add("animations",
          {{"samplers", {earlier, later}},
           {"channels",
            {{{"sampler", 0}, {"target", target}}, {{"sampler", 1}, {"target", target}}}}});
    add("duplicate_channel", a.Glb(), false);
  }

  {
    // As gltfpack writes texture coordinates: normalised 16-bit values that the texture's
    // transform scales back. Primitive 0 takes the turned quarter of the transform's own
    // example, primitive 1 a scale of 6 read from the set the transform's texCoord names.
    AssetBuilder a;
    const std::vector<uint16_t> unit = {0, 0, 65535, 0, 0, 65535};
    const int quantized =
        a.Accessor(a.View(unit.data(), unit.size() * 2, 0, 34962), kUnsignedShort, 3, "VEC2", true);
    a.Add("images", {{"uri", "texture.png"}});
    a.Add("textures", {{"source", 0}});
    const json quarter = {{"offset", {0, 1}}, {"rotation", 1.57079632679}, {"scale", {0.5, 0.5}}};
    const json tiled = {{"scale", {6, 6}}, {"texCoord", 1}};
    for (const json& transform : {quarter, tiled}) {
      a.Add("materials",
            {{"pbrMetallicRoughness",
              {{"baseColorTexture",
                {{"index", 0}, {"extensions", {{"KHR_texture_transform", transform}}}}}}}});
    }
    const int positions = a.Floats(kTriangle, "VEC3", true), normals = a.Floats(kUpNormals, "VEC3");
    json first = {
        {"attributes", {{"POSITION", positions}, {"NORMAL", normals}, {"TEXCOORD_0", quantized}}},
        {"material", 0}};
    json second = {{"attributes",
                    {{"POSITION", positions},
                     {"NORMAL", normals},
                     {"TEXCOORD_0", a.Floats({9, 9, 9, 9, 9, 9}, "VEC2")},
                     {"TEXCOORD_1", quantized}}},
                   {"material", 1}};
    const int mesh = a.Add("meshes", {{"primitives", {first, second}}});
    a.Scene({a.Add("nodes", {{"name", "Tiled"}, {"mesh", mesh}})});
    a.json["extensionsUsed"] = {"KHR_mesh_quantization", "KHR_texture_transform"};
    a.json["extensionsRequired"] = {"KHR_mesh_quantization", "KHR_texture_transform"};
    render::Image picture(2, 2, {255, 0, 0, 255});
    std::vector<uint8_t> png;
    render::EncodePng(picture, &png);
    add("texture_transform", a.Glb(), true, {{"texture.png", png}});
  }
  {
    // Texture 0 has a WebP image alone, texture 1 a PNG with the WebP as its alternative.
    AssetBuilder a;
    // A 2 x 2 lossless WebP: red, green / blue, white at half alpha.
    static const uint8_t kWebp[] = {
        0x52, 0x49, 0x46, 0x46, 0x30, 0x00, 0x00, 0x00, 0x57, 0x45, 0x42, 0x50, 0x56, 0x50,
        0x38, 0x4C, 0x23, 0x00, 0x00, 0x00, 0x2F, 0x01, 0x40, 0x00, 0x10, 0x1F, 0x20, 0x10,
        0x48, 0xDE, 0x1F, 0x3A, 0x8D, 0xF9, 0x17, 0x10, 0x14, 0xFC, 0x1F, 0x9D, 0x80, 0xA0,
        0xE8, 0xBA, 0xE5, 0x22, 0x66, 0x0F, 0xC2, 0x0D, 0x18, 0x22, 0xFA, 0x1F, 0x02, 0x00};
    render::Image picture(2, 2, {0, 0, 255, 255});
    std::vector<uint8_t> png;
    render::EncodePng(picture, &png);
    a.Add("images", {{"bufferView", a.View(kWebp, sizeof kWebp)}, {"mimeType", "image/webp"}});
    a.Add("images", {{"bufferView", a.View(png.data(), png.size())}, {"mimeType", "image/png"}});
    const json webp = {{"EXT_texture_webp", {{"source", 0}}}};
    a.Add("textures", {{"extensions", webp}});
    a.Add("textures", {{"source", 1}, {"extensions", webp}});
    const json uvs = a.Floats({0, 0, 1, 0, 0, 1}, "VEC2");
    json primitives = json::array();
    for (int texture = 0; texture < 2; ++texture) {
      a.Add("materials", {{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", texture}}}}}});
      primitives.push_back(
          {{"attributes", {{"POSITION", a.Floats(kTriangle, "VEC3", true)}, {"TEXCOORD_0", uvs}}},
           {"material", texture}});
    }
    a.Scene({a.Add(
        "nodes", {{"name", "Pictures"}, {"mesh", a.Add("meshes", {{"primitives", primitives}})}})});
    a.json["extensionsUsed"] = {"EXT_texture_webp"};
    a.json["extensionsRequired"] = {"EXT_texture_webp"};
    add("webp_textures", a.Glb());
  }
  {
    // An unlit material whose emissive colour has a strength of 4.
    AssetBuilder a = TriangleAsset();
    a.Add("materials", {{"pbrMetallicRoughness", {{"baseColorFactor", {0.5, 0.5, 0.5, 1}}}},
                        {"emissiveFactor", {0.5, 0.25, 0}},
                        {"extensions",
                         {{"KHR_materials_emissive_strength", {{"emissiveStrength", 4}}},
                          {"KHR_materials_unlit", json::object()}}}});
    a.json["meshes"][0]["primitives"][0]["material"] = 0;
    a.json["extensionsUsed"] = {"KHR_materials_emissive_strength", "KHR_materials_unlit"};
    add("material_extensions", a.Glb());
  }
  {
    // Extensions used but not required that the host object has no place for, or korva does not
    // know: each its own warning.
    AssetBuilder a = TriangleAsset();
    a.json["extensionsUsed"] = {"KHR_lights_punctual", "KHR_materials_clearcoat", "EXT_made_up"};
    add("extensions_left_out", a.Glb(), false);
  }

  // Broken assets: each names its fault in one line.
  const auto broken = [&](std::string name, const std::function<void(AssetBuilder&)>& edit,
                          std::map<std::string, std::vector<uint8_t>> files = {}) {
    AssetBuilder a = TriangleAsset();
    edit(a);
    add(std::move(name), a.Glb(), false, std::move(files));
  };
  broken("basisu_required", [](AssetBuilder& a) {
    a.json["extensionsUsed"] = {"KHR_texture_basisu"};
    a.json["extensionsRequired"] = {"KHR_texture_basisu"};
  });
  // The extension is named before the buffer it leaves without data (as a compressed asset's
  // fallback buffer is) is loaded.
  broken("basisu_required_before_buffers", [](AssetBuilder& a) {
    a.json["buffers"] = {{{"byteLength", 4}}};
    a.json["extensionsUsed"] = {"KHR_texture_basisu"};
    a.json["extensionsRequired"] = {"KHR_texture_basisu"};
  });
  const auto external = [](const std::string& uri) {
    return [uri](AssetBuilder& a) {
      a.json["buffers"] = {{{"byteLength", 4}, {"uri", uri}}};
      a.json["bufferViews"].push_back({{"buffer", 1}, {"byteLength", 4}});
    };
  };
  broken("uri_climbs_out", external("sub/../../secret.bin"));
  broken("uri_encoded_climb", external("%2e%2e/secret.bin"));
  broken("uri_absolute", external("/etc/passwd"));
  broken("uri_scheme", external("file:///etc/passwd"));
  broken("uri_missing", external("missing.bin"));
  broken("accessor_past_buffer", [](AssetBuilder& a) { a.json["accessors"][0]["count"] = 4; });
  broken("view_past_buffer",
         [](AssetBuilder& a) { a.json["bufferViews"][0]["byteLength"] = 4096; });
  broken("index_past_vertices", [](AssetBuilder& a) {
    a.json["meshes"][0]["primitives"][0]["indices"] = a.Indices16({0, 1, 7});
  });
  broken("node_own_ancestor", [](AssetBuilder& a) {
    const int first = a.Add("nodes", {{"name", "A"}});
    const int second = a.Add("nodes", {{"name", "B"}, {"children", {first}}});
    a.json["nodes"][static_cast<size_t>(first)]["children"] = {second};
  });
  broken("zeros_past_justification", [](AssetBuilder& a) {
    a.json["accessors"].push_back(
        {{"componentType", kFloat}, {"count", 1u << 30}, {"type", "VEC3"}});
    a.json["meshes"][0]["primitives"][0]["attributes"]["NORMAL"] = a.json["accessors"].size() - 1;
  });
  broken("keys_past_justification", [](AssetBuilder& a) {
    const int times = a.Floats({0, 1e7f}, "SCALAR", true);
    const int values = a.Floats({0, 0, 0, 1, 1, 1}, "VEC3");
    a.Add("animations",
          {{"samplers", {{{"input", times}, {"output", values}, {"interpolation", "STEP"}}}},
           {"channels", {{{"sampler", 0}, {"target", {{"node", 0}, {"path", "scale"}}}}}}});
  });
  broken("clips_past_frames", [](AssetBuilder& a) {
    // Two clips of two keys, each 1.25e9 frames long: together past what a frame number holds.
    for (int clip = 0; clip < 2; ++clip) {
      const int times = a.Floats({0, 5e7f}, "SCALAR", true);
      const int values = a.Floats({0, 0, 0, 1, 1, 1}, "VEC3");
      a.Add("animations",
            {{"samplers", {{{"input", times}, {"output", values}}}},
             {"channels", {{{"sampler", 0}, {"target", {{"node", 0}, {"path", "translation"}}}}}}});
    }
  });
  broken("json_too_deep", [](AssetBuilder& a) {
    json deep = json::array();
    for (int i = 0; i < 100; ++i) deep = json::array({deep});
    a.json["extras"] = deep;
  });
  {
    std::vector<uint8_t> cut = TriangleAsset().Glb();
    cut.resize(cut.size() - 8);
    add("glb_cut_short", cut, false);
  }
  return cases;
}

}  // namespace korva::testing
