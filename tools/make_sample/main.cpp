// make_sample: writes the bundled example model, examples/crane.ms3d, and its texture crane.bmp.
// A yellow crane of three parts (base, boom, hook) on a three-joint skeleton whose keys turn the
// crane, raise the boom and lower the hook. Self-contained and deterministic: the same bytes on
// every run, so the committed files can be checked against a fresh run.
//
// Usage: make_sample OUTPUT_FOLDER
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Little-endian writer for both file formats.
class Bytes {
 public:
  void U8(uint8_t v) { data_.push_back(v); }
  void I8(int8_t v) { U8(static_cast<uint8_t>(v)); }
  void U16(uint16_t v) {
    U8(v & 0xFF);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void F32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    U32(bits);
  }
  void Text(const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) U8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
  }
  const std::vector<uint8_t>& data() const { return data_; }

 private:
  std::vector<uint8_t> data_;
};

struct Vec3 {
  float x, y, z;
};

struct Vertex {
  Vec3 position;
  int8_t bone;
};

struct Triangle {
  uint16_t corners[3];
  Vec3 normal;
  float u[3], v[3];
  uint8_t group;
};

struct Group {
  std::string name;
  std::vector<uint16_t> triangles;
  int8_t material;
};

struct Key {
  float seconds;
  Vec3 value;
};

struct Joint {
  std::string name, parent;
  Vec3 rotation, position;
  std::vector<Key> rotationKeys, positionKeys;
};

struct Model {
  std::vector<Vertex> vertices;
  std::vector<Triangle> triangles;
  std::vector<Group> groups;
  std::vector<Joint> joints;
};

// An axis-aligned box as 8 vertices and 12 outward-facing triangles, counter-clockwise seen from
// outside (the modeller's winding), each face mapped onto the whole texture.
void AddBox(Model& model, const std::string& name, Vec3 low, Vec3 high, int8_t bone,
            int8_t material) {
  const auto base = static_cast<uint16_t>(model.vertices.size());
  for (int i = 0; i < 8; ++i) {
    model.vertices.push_back(
        {{(i & 1) ? high.x : low.x, (i & 2) ? high.y : low.y, (i & 4) ? high.z : low.z}, bone});
  }
  // Each face: four corners counter-clockwise seen from outside, starting bottom-left.
  struct Face {
    int corners[4];
    Vec3 normal;
  };
  const Face faces[6] = {
      {{0, 2, 3, 1}, {0, 0, -1}}, {{5, 7, 6, 4}, {0, 0, 1}},  {{4, 6, 2, 0}, {-1, 0, 0}},
      {{1, 3, 7, 5}, {1, 0, 0}},  {{4, 0, 1, 5}, {0, -1, 0}}, {{2, 6, 7, 3}, {0, 1, 0}},
  };
  Group group{name, {}, material};
  const auto groupIndex = static_cast<uint8_t>(model.groups.size());
  for (const Face& face : faces) {
    const float u[4] = {0, 0, 1, 1};
    const float v[4] = {1, 0, 0, 1};
    const int halves[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (const auto& half : halves) {
      Triangle triangle{};
      for (int c = 0; c < 3; ++c) {
        triangle.corners[c] = static_cast<uint16_t>(base + face.corners[half[c]]);
        triangle.u[c] = u[half[c]];
        triangle.v[c] = v[half[c]];
      }
      triangle.normal = face.normal;
      triangle.group = groupIndex;
      group.triangles.push_back(static_cast<uint16_t>(model.triangles.size()));
      model.triangles.push_back(triangle);
    }
  }
  model.groups.push_back(group);
}

constexpr float kFramesPerSecond = 24.0f;
constexpr int32_t kTotalFrames = 48;

Model BuildCrane() {
  Model model;
  AddBox(model, "base", {-0.5f, 0.0f, -0.5f}, {0.5f, 1.0f, 0.5f}, 0, 0);
  AddBox(model, "boom", {-0.2f, 1.0f, -0.15f}, {2.2f, 1.3f, 0.15f}, 1, 0);
  AddBox(model, "hook", {1.9f, 0.4f, -0.1f}, {2.1f, 0.9f, 0.1f}, 2, 1);

  const float first = 1.0f / kFramesPerSecond;  // frame 1
  const float middle = 24.0f / kFramesPerSecond;
  const float last = 48.0f / kFramesPerSecond;
  const float quarterTurn = 1.5707964f;
  model.joints.push_back({"mast",
                          "",
                          {0, 0, 0},
                          {0, 0, 0},
                          {{first, {0, 0, 0}}, {middle, {0, quarterTurn, 0}}, {last, {0, 0, 0}}},
                          {{first, {0, 0, 0}}}});
  model.joints.push_back({"jib",
                          "mast",
                          {0, 0, 0},
                          {0, 1.15f, 0},
                          {{first, {0, 0, 0}}, {middle, {0, 0, 0.35f}}, {last, {0, 0, 0}}},
                          {{first, {0, 0, 0}}}});
  model.joints.push_back({"hook",
                          "jib",
                          {0, 0, 0},
                          {2.0f, -0.25f, 0},
                          {{first, {0, 0, 0}}},
                          {{first, {0, 0, 0}}, {middle, {0, -0.3f, 0}}, {last, {0, 0, 0}}}});
  return model;
}

void WriteMaterial(Bytes& out, const std::string& name, const float diffuse[3],
                   const std::string& texture) {
  out.Text(name, 32);
  const float ambient = 0.3f;
  for (int i = 0; i < 3; ++i) out.F32(ambient * diffuse[i]);
  out.F32(1.0f);
  for (int i = 0; i < 3; ++i) out.F32(diffuse[i]);
  out.F32(1.0f);
  for (int i = 0; i < 3; ++i) out.F32(0.2f);  // specular
  out.F32(1.0f);
  for (int i = 0; i < 3; ++i) out.F32(0.0f);  // emissive
  out.F32(1.0f);
  out.F32(16.0f);  // shininess
  out.F32(1.0f);   // transparency: opaque
  out.U8(0);       // mode
  out.Text(texture, 128);
  out.Text("", 128);  // alpha map
}

std::vector<uint8_t> Ms3dBytes(const Model& model) {
  Bytes out;
  out.Text("MS3D000000", 10);
  out.I32(4);
  out.U16(static_cast<uint16_t>(model.vertices.size()));
  for (const Vertex& vertex : model.vertices) {
    out.U8(0);
    out.F32(vertex.position.x);
    out.F32(vertex.position.y);
    out.F32(vertex.position.z);
    out.I8(vertex.bone);
    out.U8(3);  // each box corner is shared by three faces
  }
  out.U16(static_cast<uint16_t>(model.triangles.size()));
  for (const Triangle& triangle : model.triangles) {
    out.U16(0);
    for (uint16_t corner : triangle.corners) out.U16(corner);
    for (int c = 0; c < 3; ++c) {
      out.F32(triangle.normal.x);
      out.F32(triangle.normal.y);
      out.F32(triangle.normal.z);
    }
    for (float u : triangle.u) out.F32(u);
    for (float v : triangle.v) out.F32(v);
    out.U8(1);  // smoothing group
    out.U8(triangle.group);
  }
  out.U16(static_cast<uint16_t>(model.groups.size()));
  for (const Group& group : model.groups) {
    out.U8(0);
    out.Text(group.name, 32);
    out.U16(static_cast<uint16_t>(group.triangles.size()));
    for (uint16_t index : group.triangles) out.U16(index);
    out.I8(group.material);
  }
  out.U16(2);
  const float yellow[3] = {1.0f, 1.0f, 1.0f};  // the texture carries the colour
  const float steel[3] = {0.45f, 0.47f, 0.5f};
  WriteMaterial(out, "painted", yellow, "crane.bmp");
  WriteMaterial(out, "steel", steel, "");
  out.F32(kFramesPerSecond);
  out.F32(1.0f);
  out.I32(kTotalFrames);
  out.U16(static_cast<uint16_t>(model.joints.size()));
  for (const Joint& joint : model.joints) {
    out.U8(8);
    out.Text(joint.name, 32);
    out.Text(joint.parent, 32);
    for (float value : {joint.rotation.x, joint.rotation.y, joint.rotation.z}) out.F32(value);
    for (float value : {joint.position.x, joint.position.y, joint.position.z}) out.F32(value);
    out.U16(static_cast<uint16_t>(joint.rotationKeys.size()));
    out.U16(static_cast<uint16_t>(joint.positionKeys.size()));
    for (const auto* keys : {&joint.rotationKeys, &joint.positionKeys}) {
      for (const Key& key : *keys) {
        out.F32(key.seconds);
        out.F32(key.value.x);
        out.F32(key.value.y);
        out.F32(key.value.z);
      }
    }
  }
  // Comments section (subversion 1) with a model comment, so the sample shows an optional section.
  out.I32(1);
  out.I32(0);
  out.I32(0);
  out.I32(0);
  out.I32(1);
  const std::string comment =
      "KORVA_Tools sample: a crane that turns, raises its boom and drops its hook.";
  out.I32(static_cast<int32_t>(comment.size()));
  for (char c : comment) out.U8(static_cast<uint8_t>(c));
  return out.data();
}

// A 32 x 32, 24-bit BMP: yellow and black hazard stripes with a distinct colour in each corner, so
// a flipped or mirrored mapping shows.
std::vector<uint8_t> BmpBytes() {
  constexpr int kSize = 32;
  constexpr uint32_t kRow = kSize * 3;  // already a multiple of 4: no padding
  constexpr uint32_t kPixels = kRow * kSize;
  Bytes out;
  out.U8('B');
  out.U8('M');
  out.U32(54 + kPixels);
  out.U32(0);
  out.U32(54);
  out.U32(40);
  out.I32(kSize);
  out.I32(kSize);  // positive: rows stored bottom-up
  out.U16(1);
  out.U16(24);
  out.U32(0);  // uncompressed
  out.U32(kPixels);
  out.I32(2835);
  out.I32(2835);
  out.U32(0);
  out.U32(0);
  for (int row = 0; row < kSize; ++row) {
    const int y = kSize - 1 - row;  // top-down y of this stored row
    for (int x = 0; x < kSize; ++x) {
      uint8_t r = 250, g = 200, b = 20;  // yellow
      if (((x + y) / 4) % 2 == 1) r = g = b = 25;
      const bool left = x < 4, right = x >= kSize - 4, top = y < 4, bottom = y >= kSize - 4;
      if (top && left) r = 220, g = 30, b = 30;        // red, top left
      if (top && right) r = 30, g = 180, b = 40;       // green, top right
      if (bottom && left) r = 40, g = 60, b = 220;     // blue, bottom left
      if (bottom && right) r = 240, g = 240, b = 240;  // white, bottom right
      out.U8(b);
      out.U8(g);
      out.U8(r);
    }
  }
  return out.data();
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  if (!WriteFile(folder + "crane.ms3d", Ms3dBytes(BuildCrane())) ||
      !WriteFile(folder + "crane.bmp", BmpBytes())) {
    std::fprintf(stderr, "make_sample: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
