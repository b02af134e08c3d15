// The reader's meshes: each primitive's vertices in the smallest vertex format that holds them,
// its corners in the host's winding, cut into meshes the host's 16-bit indices can reach.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gltf/build/gltf_importer.h"
#include "gltf/decode/gltf_texture_transform.h"
#include "gltf/read/gltf_accessor_read.h"
#include "model/counted_array.h"
#include "model/host_heap.h"
#include "model/texture.h"
#include "model/vertex_format.h"

namespace korva::gltf {
namespace {

constexpr uint32_t kPointList = 1, kLineList = 2, kLineStrip = 3, kTriangleList = 4,
                   kTriangleStrip = 5, kTriangleFan = 6;
constexpr size_t kMaxMeshVertices = 0xFFFF;  // 16-bit indices; 0xFFFF itself is kept free too

// Corners per primitive of a list type, 0 for strips and fans.
size_t ListStep(uint32_t type) {
  return type == kPointList ? 1 : type == kLineList ? 2 : type == kTriangleList ? 3 : 0;
}

int32_t PrimitiveCount(uint32_t type, size_t corners) {
  const size_t step = ListStep(type);
  if (step) return static_cast<int32_t>(corners / step);
  const size_t fixed = type == kLineStrip ? 1 : 2;
  return corners > fixed ? static_cast<int32_t>(corners - fixed) : 0;
}

// Strips and fans as lists of their primitives, in the host's order of corners (its odd strip
// triangles have their first two corners swapped).
void ToList(std::vector<uint32_t>* corners, uint32_t* type) {
  std::vector<uint32_t> list;
  const std::vector<uint32_t>& c = *corners;
  if (*type == kTriangleStrip) {
    for (size_t i = 0; i + 2 < c.size(); ++i) {
      if (i % 2 == 0)
        list.insert(list.end(), {c[i], c[i + 1], c[i + 2]});
      else
        list.insert(list.end(), {c[i + 1], c[i], c[i + 2]});
    }
    *type = kTriangleList;
  } else if (*type == kTriangleFan) {
    for (size_t i = 1; i + 1 < c.size(); ++i) list.insert(list.end(), {c[0], c[i], c[i + 1]});
    *type = kTriangleList;
  } else if (*type == kLineStrip) {
    for (size_t i = 0; i + 1 < c.size(); ++i) list.insert(list.end(), {c[i], c[i + 1]});
    *type = kLineList;
  } else {
    return;
  }
  corners->swap(list);
}

// glTF winds front faces anticlockwise in its right-handed space; mirrored into the host's, the
// same corners wind the other way, so each triangle's order is reversed (as the exporter does).
void ToHostWinding(std::vector<uint32_t>* corners, uint32_t type) {
  std::vector<uint32_t>& c = *corners;
  if (type == kTriangleList) {
    for (size_t k = 0; k + 2 < c.size(); k += 3) std::swap(c[k + 1], c[k + 2]);
  } else if (type == kTriangleStrip && !c.empty()) {
    // A repeated first corner adds an empty triangle and turns every later one over; the
    // exporter's own strips start with one, which is then taken away instead.
    if (c.size() > 1 && c[0] == c[1])
      c.erase(c.begin());
    else
      c.insert(c.begin(), c.front());
  } else if (type == kTriangleFan && c.size() > 1) {
    std::reverse(c.begin() + 1, c.end());
  }
}

// `count` corners, each below 65536, as 16-bit indices.
void Narrow(const uint32_t* corners, size_t count, uint16_t* out) {
  size_t i = 0;
  // Eight at a time: straight code the compiler turns into vector instructions, where a plain
  // loop over an unknown count stays one value a step.
  for (; i + 8 <= count; i += 8) {
    for (size_t j = 0; j < 8; ++j) out[i + j] = static_cast<uint16_t>(corners[i + j]);
  }
  for (; i < count; ++i) out[i] = static_cast<uint16_t>(corners[i]);
}

uint8_t ColourByte(float value) {
  if (!(value > 0.0f)) return 0;
  return static_cast<uint8_t>(std::lround(std::min(value, 1.0f) * 255.0f));
}

// The byte each normalised unsigned byte becomes, by the conversion every other colour takes (the
// fraction kept as a float in memory first, as a 32-bit x87 build keeps any other).
struct ByteColours {
  uint8_t of[256];
  ByteColours() {
    for (int raw = 0; raw < 256; ++raw) {
      volatile float fraction = NormalizedComponent(kComponentUnsignedByte, raw);
      of[raw] = ColourByte(fraction);
    }
  }
};

// Where one attribute goes in the host's vertices: the buffer, the step between vertices and the
// element's offset.
struct VertexColumn {
  uint8_t* first;
  size_t step;
  size_t offset;
};

// Attribute `from` of each of the piece's vertices, N floats, into its column (z mirrored for
// positions and normals). Each attribute is one pass with its decisions taken before the loop.
template <size_t N, bool kMirrorZ>
void PutFloats(const FloatElements& from, const MeshPiece& piece, const VertexColumn& column) {
  uint8_t* out = column.first + column.offset;
  const size_t count = piece.VertexCount();
  float value[4];
  if (from.componentType == kComponentFloat && piece.whole) {
    const uint8_t* in = from.first;
    for (size_t v = 0; v < count; ++v, in += from.stride, out += column.step) {
      std::memcpy(value, in, N * sizeof(float));
      if (kMirrorZ) value[2] = -value[2];
      std::memcpy(out, value, N * sizeof(float));
    }
    return;
  }
  for (size_t v = 0; v < count; ++v, out += column.step) {
    from.Read(piece.Source(v), value);
    if (kMirrorZ) value[2] = -value[2];
    std::memcpy(out, value, N * sizeof(float));
  }
}

// The colour of each of the piece's vertices as the host keeps it (ARGB; RGB is opaque).
void PutColours(const FloatElements& colors, const MeshPiece& piece, const VertexColumn& column) {
  uint8_t* out = column.first + column.offset;
  const size_t count = piece.VertexCount();
  const bool bytes = colors.componentType == kComponentUnsignedByte && colors.normalized;
  static const ByteColours kBytes;
  for (size_t v = 0; v < count; ++v, out += column.step) {
    const size_t s = piece.Source(v);
    uint8_t rgba[4] = {0, 0, 0, 255};
    if (bytes) {
      const uint8_t* raw = colors.first + s * colors.stride;
      rgba[0] = kBytes.of[raw[0]];
      rgba[1] = kBytes.of[raw[1]];
      rgba[2] = kBytes.of[raw[2]];
      if (colors.components == 4) rgba[3] = kBytes.of[raw[3]];
    } else {
      float value[4];
      colors.Read(s, value);
      for (int c = 0; c < colors.components; ++c) rgba[c] = ColourByte(value[c]);
    }
    const uint32_t argb =
        uint32_t{rgba[3]} << 24 | uint32_t{rgba[0]} << 16 | uint32_t{rgba[1]} << 8 | rgba[2];
    std::memcpy(out, &argb, 4);
  }
}

// The coordinates as the host keeps them, the texture's transform baked in (after any
// dequantization, so a normalised coordinate's fraction is what the transform scales).
void TransformTexcoords(const doc::TextureTransform& transform, FloatElements* uvs) {
  FloatElements baked;
  baked.Own(2, uvs->count);
  for (size_t i = 0; i < uvs->count; ++i) uvs->Read(i, baked.owned.data() + 2 * i);
  decode::TransformTexcoords(transform, baked.owned.data(), baked.count);
  *uvs = std::move(baked);
}

}  // namespace

bool Importer::ReadPrimitive(const doc::Primitive& primitive, const std::string& label,
                             int texCoord, PrimitiveData* data, std::vector<uint32_t>* corners,
                             uint32_t* type) {
  std::string error;
  const auto attribute = [&](const std::string& semantic) {
    const auto found = primitive.attributes.find(semantic);
    return found == primitive.attributes.end() ? -1 : found->second;
  };
  const auto need = [&](bool ok) {
    if (!ok) Fail(label + ": " + error);
  };
  const int position = attribute("POSITION");
  if (position < 0) {
    Warn(label + " has no POSITION; left out");
    return false;
  }
  need(LocateFloats(document_, position, 3, &data->positions, &error));
  const size_t count = data->positions.count;
  data->vertexCount = count;
  const auto sameCount = [&](const std::string& semantic, size_t elements) {
    if (elements != count) {
      Fail(label + ": " + semantic + " has " + std::to_string(elements) + " elements, POSITION " +
           std::to_string(count));
    }
  };
  if (const int normal = attribute("NORMAL"); normal >= 0) {
    need(LocateFloats(document_, normal, 3, &data->normals, &error));
    sameCount("NORMAL", data->normals.count);
  }
  const std::string uvSet = "TEXCOORD_" + std::to_string(texCoord);
  if (const int uv = attribute(uvSet); uv >= 0) {
    need(LocateFloats(document_, uv, 2, &data->texcoords, &error));
    sameCount(uvSet, data->texcoords.count);
  }
  if (const int colour = attribute("COLOR_0"); colour >= 0) {
    const int components = static_cast<size_t>(colour) < document_.accessors.size()
                               ? document_.accessors[static_cast<size_t>(colour)].components
                               : 4;
    need(LocateFloats(document_, colour, components == 3 ? 3 : 4, &data->colors, &error));
    sameCount("COLOR_0", data->colors.count);
  }
  for (int set = 0; set < 2; ++set) {
    const int joints = attribute("JOINTS_" + std::to_string(set));
    const int weights = attribute("WEIGHTS_" + std::to_string(set));
    if (joints < 0 || weights < 0) break;
    data->joints.emplace_back();
    data->weights.emplace_back();
    need(ReadUnsigned(document_, joints, 4, &data->joints.back(), &error));
    need(ReadFloats(document_, weights, 4, &data->weights.back(), &error));
    sameCount("JOINTS_" + std::to_string(set), data->joints.back().size() / 4);
    sameCount("WEIGHTS_" + std::to_string(set), data->weights.back().size() / 4);
  }

  if (primitive.indices >= 0) {
    NoteStride(primitive.indices, "indices");
    uint32_t largest = 0;
    need(ReadIndices(document_, primitive.indices, corners, &error, &largest));
    // The first index past the end is looked for only when the largest is.
    if (!corners->empty() && largest >= count) {
      for (const uint32_t index : *corners) {
        if (index >= count) {
          Fail(label + ": index " + std::to_string(index) + " is past the vertex count " +
               std::to_string(count));
        }
      }
    }
  } else {
    corners->resize(count);
    for (size_t v = 0; v < count; ++v) (*corners)[v] = static_cast<uint32_t>(v);
  }
  static const uint32_t kTypeOfMode[] = {kPointList,    kLineList,      kLineStrip,  kLineStrip,
                                         kTriangleList, kTriangleStrip, kTriangleFan};
  *type = kTypeOfMode[primitive.mode];
  if (primitive.mode == 2 && !corners->empty()) corners->push_back(corners->front());  // loop
  const size_t step = ListStep(*type);
  if (step > 1 && corners->size() % step != 0) {
    Warn(label + ": " + std::to_string(corners->size() % step) +
         " corners after the last whole primitive left out");
    corners->resize(corners->size() - corners->size() % step);
  }
  if (PrimitiveCount(*type, corners->size()) == 0) {
    Warn(label + " draws nothing; left out");
    return false;
  }
  return true;
}

// Flat normals, as glTF asks of a viewer when a primitive has none: every triangle gets corners
// of its own, whose normal is the triangle's (anticlockwise front, glTF space).
void Importer::AddFlatNormals(PrimitiveData* data, std::vector<uint32_t>* corners, uint32_t* type) {
  if (*type == kTriangleStrip || *type == kTriangleFan) {
    // glTF's strip order matches the host's up to rotation of each triangle, so the host's
    // conversion keeps the faces' sense.
    ToList(corners, type);
  }
  std::vector<uint32_t>& c = *corners;
  PrimitiveData flat;
  flat.vertexCount = c.size();
  const auto take = [&](const FloatElements& from, FloatElements* to) {
    if (from.components == 0) return;
    to->Own(from.components, c.size());
    for (size_t k = 0; k < c.size(); ++k) {
      from.Read(c[k], to->owned.data() + k * static_cast<size_t>(from.components));
    }
  };
  const auto takeEach = [&](const auto& from, auto& to, size_t per) {
    if (from.empty()) return;
    to.resize(c.size() * per);
    for (size_t k = 0; k < c.size(); ++k) {
      std::copy_n(from.begin() + c[k] * per, per, to.begin() + k * per);
    }
  };
  take(data->positions, &flat.positions);
  take(data->texcoords, &flat.texcoords);
  take(data->colors, &flat.colors);
  flat.joints.resize(data->joints.size());
  flat.weights.resize(data->weights.size());
  for (size_t s = 0; s < data->joints.size(); ++s) {
    takeEach(data->joints[s], flat.joints[s], 4);
    takeEach(data->weights[s], flat.weights[s], 4);
  }
  flat.normals.Own(3, c.size());
  const float* positions = flat.positions.owned.data();
  float* normals = flat.normals.owned.data();
  for (size_t k = 0; k + 2 < c.size(); k += 3) {
    const float* a = positions + k * 3;
    const float* b = a + 3;
    const float* d = a + 6;
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double v[3] = {d[0] - a[0], d[1] - a[1], d[2] - a[2]};
    double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0 && std::isfinite(length)) {
      for (double& x : n) x /= length;
    } else {
      n[0] = 0, n[1] = 0, n[2] = 1;
    }
    for (size_t corner = 0; corner < 3; ++corner) {
      for (int axis = 0; axis < 3; ++axis) normals[(k + corner) * 3 + axis] = float(n[axis]);
    }
  }
  for (size_t k = 0; k < c.size(); ++k) c[k] = static_cast<uint32_t>(k);
  *data = std::move(flat);
}

std::vector<MeshPiece> Importer::CutPieces(std::vector<uint32_t>* cornersIn, uint32_t type,
                                           size_t vertices) {
  std::vector<MeshPiece> pieces;
  if (vertices <= kMaxMeshVertices) {
    MeshPiece piece;
    piece.primitiveType = type;
    piece.whole = true;
    piece.wholeVertices = vertices;
    piece.wholeCorners = cornersIn;
    pieces.push_back(std::move(piece));
    return pieces;
  }
  std::vector<uint32_t>& corners = *cornersIn;
  // Too many vertices for 16-bit indices: whole primitives go to meshes of at most 65535
  // vertices each, never cut.
  ToList(cornersIn, &type);
  const size_t step = ListStep(type);
  std::vector<int32_t> slot(vertices, -1);
  MeshPiece piece;
  piece.primitiveType = type;
  for (size_t k = 0; k + step <= corners.size(); k += step) {
    size_t fresh = 0;
    for (size_t c = 0; c < step; ++c) fresh += slot[corners[k + c]] < 0 ? 1 : 0;
    if (piece.sourceVertices.size() + fresh > kMaxMeshVertices) {
      for (uint32_t v : piece.sourceVertices) slot[v] = -1;
      pieces.push_back(std::move(piece));
      piece = MeshPiece();
      piece.primitiveType = type;
    }
    for (size_t c = 0; c < step; ++c) {
      int32_t& at = slot[corners[k + c]];
      if (at < 0) {
        at = static_cast<int32_t>(piece.sourceVertices.size());
        piece.sourceVertices.push_back(corners[k + c]);
      }
      piece.indices.push_back(static_cast<uint16_t>(at));
    }
  }
  if (!piece.indices.empty()) pieces.push_back(std::move(piece));
  return pieces;
}

sFrame* Importer::FrameForPiece(sFrame* nodeFrame, const std::string& nodeName, size_t piece) {
  if (!nodeFrame->mesh) return nodeFrame;
  return AddFrame(nodeFrame, UniqueName(nodeName + "_part" + std::to_string(piece)),
                  IdentityMatrix());
}

void Importer::FillMesh(sMesh* mesh, const PrimitiveData& data, const MeshPiece& piece) {
  const bool lines = piece.primitiveType < kTriangleList;
  const bool hasNormals = !lines && data.normals.components != 0;
  const bool hasColours = data.colors.components != 0, hasUvs = data.texcoords.components != 0;
  uint32_t fvf = kFvfXyz;
  if (hasNormals) fvf |= kFvfNormal;
  if (hasColours) fvf |= kFvfDiffuse;
  if (hasUvs) fvf |= 1u << kFvfTexCountShift;
  const VertexFormat format = FormatFromFvf(fvf);
  const size_t count = piece.VertexCount(), indexCount = piece.IndexCount();
  mesh->fvf = fvf;
  mesh->vertexSize = format.size;
  // Every byte of these formats is written below; a format with gaps would start from zeros.
  const bool filled =
      format.size == 12u + (hasNormals ? 12u : 0u) + (hasColours ? 4u : 0u) + (hasUvs ? 8u : 0u);
  mesh->vertexData = static_cast<uint8_t*>(filled ? HostAllocate(count * format.size)
                                                  : HostAllocateZeroed(count, format.size));
  mesh->indexData = static_cast<uint16_t*>(HostAllocate(std::max<size_t>(indexCount, 1) * 2));
  if (!mesh->vertexData || !mesh->indexData) throw std::bad_alloc();
  mesh->vertexCount = static_cast<int32_t>(count);
  mesh->indexCount = static_cast<int32_t>(indexCount);
  if (piece.whole) {
    Narrow(piece.wholeCorners->data(), indexCount, mesh->indexData);
  } else {
    std::memcpy(mesh->indexData, piece.indices.data(), indexCount * 2);
  }
  const auto column = [&](const VertexElement& element) {
    return VertexColumn{mesh->vertexData, format.size, static_cast<size_t>(element.offset)};
  };
  PutFloats<3, true>(data.positions, piece, column(format.position));
  if (hasNormals) PutFloats<3, true>(data.normals, piece, column(format.normal));
  if (hasColours) PutColours(data.colors, piece, column(format.diffuse));
  if (hasUvs) PutFloats<2, false>(data.texcoords, piece, column(format.texcoords[0]));
  mesh->primitiveType = piece.primitiveType;
  mesh->drawVertexCount = mesh->vertexCount;
  mesh->drawPrimitiveCount = PrimitiveCount(piece.primitiveType, indexCount);
  // As the MilkShape import leaves its meshes, so both ways in give the engine the same switches.
  mesh->renderSwitches[1] = 0;
  mesh->host00C = 0;
}

void Importer::BuildNodeMeshes(int node, int meshIndex) {
  if (static_cast<size_t>(meshIndex) >= document_.meshes.size()) {
    Fail("nodes[" + std::to_string(node) + "] names mesh " + std::to_string(meshIndex) +
         ", which does not exist");
  }
  const int target = meshHolderTarget_[static_cast<size_t>(node)];
  const int owner = target >= 0 ? target : node;
  sFrame* frame = frameOfNode_[static_cast<size_t>(owner)];
  if (!frame) return;
  const std::string& name = nameOfNode_[static_cast<size_t>(owner)];
  const doc::Mesh& mesh = document_.meshes[static_cast<size_t>(meshIndex)];
  const int skin = document_.nodes[static_cast<size_t>(node)].skin;
  size_t pieceCount = 0;
  bool morphs = false;
  for (size_t p = 0; p < mesh.primitives.size(); ++p) {
    const doc::Primitive& primitive = mesh.primitives[p];
    morphs = morphs || primitive.targets > 0;
    const std::string label =
        "meshes[" + std::to_string(meshIndex) + "].primitives[" + std::to_string(p) + "]";
    const doc::TextureRef* texture = nullptr;
    if (primitive.material >= 0 &&
        static_cast<size_t>(primitive.material) < document_.materials.size()) {
      texture = &document_.materials[static_cast<size_t>(primitive.material)].baseColorTexture;
    }
    PrimitiveData data;
    std::vector<uint32_t> corners;
    uint32_t type = kTriangleList;
    if (!ReadPrimitive(primitive, label, texture ? texture->texCoord : 0, &data, &corners, &type))
      continue;
    if (texture && texture->transformed && data.texcoords.components != 0) {
      Charge(data.texcoords.count * 8, label);
      TransformTexcoords(texture->transform, &data.texcoords);
    }
    // Every vertex may end up in the host mesh (36 bytes at most) and, with flat normals, once per
    // corner with all it carries.
    const uint64_t perVertex = 48 + 20 * data.joints.size();
    const bool flat = data.normals.components == 0 && type >= kTriangleList;
    Charge((flat ? 2 * corners.size() : data.vertexCount) * perVertex + corners.size() * 6, label);
    if (flat) AddFlatNormals(&data, &corners, &type);
    ToHostWinding(&corners, type);
    for (const MeshPiece& piece : CutPieces(&corners, type, data.vertexCount)) {
      sMesh* built = NewMesh();
      if (!built) throw std::bad_alloc();
      FrameForPiece(frame, name, pieceCount++)->mesh = built;
      FillMesh(built, data, piece);
      ApplyMaterial(built, primitive.material, data.texcoords.components != 0);
      if (skin >= 0) AddBones(built, skin, data, piece);
    }
  }
  if (morphs) ++morphMeshes_;
}

void Importer::BuildMeshes() {
  for (size_t n = 0; n < document_.nodes.size(); ++n) {
    const doc::Node& node = document_.nodes[n];
    if (node.mesh >= 0)
      BuildNodeMeshes(static_cast<int>(n), node.mesh);
    else if (node.skin >= 0)
      Warn("nodes[" + std::to_string(n) + "] has a skin but no mesh; skin left out");
  }
  if (morphMeshes_ > 0) {
    Warn(std::to_string(morphMeshes_) +
         " meshes have morph targets, which the host has not; dropped");
  }
}

}  // namespace korva::gltf
