// A glTF 2.0 asset as the reader sees it: the JSON document's parts that become a host object,
// checked for type and range as they are read, and every buffer's bytes. Indices into other lists
// are kept as written (-1 when absent) and checked where they are followed.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gltf/decode/meshopt_view.h"
#include "gltf/read/gltf_extensions.h"

namespace korva::gltf::doc {

struct Buffer {
  uint64_t byteLength = 0;
  std::string uri;                // as written, empty for the .glb binary chunk
  const uint8_t* data = nullptr;  // byteLength bytes once read
  std::vector<uint8_t> owned;     // the bytes of an external file or a data URI
  // EXT_meshopt_compression's placeholder for the views it compresses: marked so, or without data
  // and named by compressed views alone. Its bytes are never read (data stays null).
  bool fallback = false;
};

// A view's bytes as an EXT_meshopt_compression stream in another buffer (buffer -1: not
// compressed), decoded on first read into the view's decodedBytes.
struct CompressedView {
  int buffer = -1;
  uint64_t byteOffset = 0;
  uint64_t byteLength = 0;
  decode::MeshoptLayout layout;
  mutable bool decoded = false;
};

struct BufferView {
  int buffer = -1;
  uint64_t byteOffset = 0;
  uint64_t byteLength = 0;
  uint32_t byteStride = 0;  // 0: tightly packed
  CompressedView meshopt;
  mutable std::vector<uint8_t> decodedBytes;
};

struct Accessor {
  int bufferView = -1;  // -1: zeros (then only sparse values)
  uint64_t byteOffset = 0;
  int componentType = 0;
  bool normalized = false;
  uint64_t count = 0;
  int components = 0;  // from the type: SCALAR 1 ... MAT4 16
  std::string type;
  struct Sparse {
    uint64_t count = 0;  // 0: not sparse
    int indicesView = -1;
    uint64_t indicesOffset = 0;
    int indicesComponentType = 0;
    int valuesView = -1;
    uint64_t valuesOffset = 0;
  } sparse;
};

struct Primitive {
  std::map<std::string, int> attributes;  // semantic -> accessor
  int indices = -1;
  int material = -1;
  int mode = 4;
  size_t targets = 0;  // morph targets
  // KHR_draco_mesh_compression: the view that holds the compressed mesh (-1: not compressed) and
  // the Draco attribute id of each semantic it holds.
  struct Draco {
    int bufferView = -1;
    std::map<std::string, int> attributes;
  } draco;
};

struct Mesh {
  std::string name;
  std::vector<Primitive> primitives;
};

struct Node {
  std::string name;
  std::vector<int> children;
  int mesh = -1;
  int skin = -1;
  bool hasMatrix = false;
  std::array<double, 16> matrix{};  // column major, as written
  std::array<double, 3> translation{0, 0, 0};
  std::array<double, 4> rotation{0, 0, 0, 1};
  std::array<double, 3> scale{1, 1, 1};
};

// KHR_texture_transform of a texture reference: uv' = T x R x S x uv.
struct TextureTransform {
  std::array<double, 2> offset{0, 0};
  double rotation = 0;  // radians; turns the coordinates anticlockwise, the image clockwise
  std::array<double, 2> scale{1, 1};
};

struct TextureRef {
  int index = -1;
  int texCoord = 0;  // the transform's own texCoord where it has one
  bool transformed = false;
  TextureTransform transform;
};

struct Material {
  std::string name;
  std::array<double, 4> baseColorFactor{1, 1, 1, 1};
  std::array<double, 3> emissiveFactor{0, 0, 0};
  double emissiveStrength = 1;  // KHR_materials_emissive_strength
  bool unlit = false;           // KHR_materials_unlit
  TextureRef baseColorTexture;
};

struct Texture {
  int source = -1;
  int sampler = -1;
  int webpSource = -1;  // EXT_texture_webp's image
};

struct Image {
  std::string name;
  std::string uri;  // as written
  int bufferView = -1;
  std::string mimeType;
};

struct Sampler {
  int wrapS = 10497;
  int wrapT = 10497;
};

struct Skin {
  std::string name;
  std::vector<int> joints;
  int inverseBindMatrices = -1;
};

struct AnimationChannel {
  int sampler = -1;
  int node = -1;
  std::string path;
};

struct AnimationSampler {
  int input = -1;
  int output = -1;
  std::string interpolation = "LINEAR";
};

struct Animation {
  std::string name;
  std::vector<AnimationChannel> channels;
  std::vector<AnimationSampler> samplers;
};

struct Document {
  std::vector<Buffer> buffers;
  std::vector<BufferView> bufferViews;
  std::vector<Accessor> accessors;
  std::vector<Mesh> meshes;
  std::vector<Node> nodes;
  std::vector<Material> materials;
  std::vector<Texture> textures;
  std::vector<Image> images;
  std::vector<Sampler> samplers;
  std::vector<Skin> skins;
  std::vector<Animation> animations;
  std::vector<std::vector<int>> scenes;  // root nodes of each scene
  int scene = -1;
  std::vector<std::string> extensionsUsed;
  std::vector<std::string> extensionsRequired;
  std::vector<ExtensionUse> extensions;  // what becomes of each used or required one
  uint64_t assetBytes = 0;  // the file's bytes and every external buffer's: what justifies memory
  mutable uint64_t decodedViewBytes = 0;           // of compressed views decoded so far
  uint64_t decodeAllowance = uint64_t{256} << 20;  // beyond 64 bytes per asset byte, for those
};

// Reads a file the asset names, by its path relative to the asset's folder (already decoded and
// checked to stay inside it, with '/' separators). False with `*problem` set when it cannot.
using ResourceReader = std::function<bool(const std::string& relativePath,
                                          std::vector<uint8_t>* bytes, std::string* problem)>;

// Parses a .glb or .gltf file whole, buffers included (external ones through `read`). False with
// `*error` set to one line when the file cannot be read safely; `warnings` gets what was read
// despite a fault.
bool ParseDocument(const uint8_t* bytes, size_t size, const ResourceReader& read, Document* out,
                   std::string* error, std::vector<std::string>* warnings);

// A URI of the asset as the relative path it names: percent-decoded, '/' separators. False with
// `*problem` set when it is absolute, has a scheme, climbs out of the asset's folder or does not
// decode.
bool UriToRelativePath(const std::string& uri, std::string* path, std::string* problem);

// Whether the URI is a data URI, and its bytes (base64) and media type when it is one.
bool IsDataUri(const std::string& uri);
bool DecodeDataUri(const std::string& uri, std::vector<uint8_t>* bytes, std::string* mediaType,
                   std::string* problem);

}  // namespace korva::gltf::doc
