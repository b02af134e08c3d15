// The reader's state, shared by the files that turn each part of a glTF asset into host records.
// Every record is linked into the object as soon as it exists, so releasing the object frees all
// that was built when a later part fails.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gltf/build/gltf_import.h"
#include "gltf/format/gltf_space.h"
#include "gltf/read/gltf_accessor_read.h"
#include "model/frame.h"
#include "model/mesh.h"

namespace korva::gltf {

// Thrown inside the reader with the one line that says what is wrong.
struct ImportFailure {
  std::string text;
};

// The vertices of one glTF primitive in glTF space: its attributes where the asset holds them
// (each read once, into the host mesh), its skin weights read out.
struct PrimitiveData {
  FloatElements positions, normals, texcoords;  // 3, 3, 2 components; none: components 0
  FloatElements colors;                         // 3 or 4 components (RGB or RGBA)
  std::vector<std::vector<uint32_t>> joints;    // per JOINTS_n set, 4 per vertex
  std::vector<std::vector<float>> weights;      // per WEIGHTS_n set, parallel to joints
  size_t vertexCount = 0;
};

// One host mesh cut from a primitive: which of its vertices it holds and its 16-bit corners,
// already in the host's primitive type and winding. A primitive that fits one mesh whole is one
// piece that names no vertices (all of them, in order) and takes the primitive's corners as they
// are.
// One node's keys in one clip of the timeline (gltf_import_animation.cpp).
struct ClipTrack;

struct MeshPiece {
  size_t VertexCount() const { return whole ? wholeVertices : sourceVertices.size(); }
  size_t Source(size_t vertex) const { return whole ? vertex : sourceVertices[vertex]; }
  size_t IndexCount() const { return whole ? wholeCorners->size() : indices.size(); }

  bool whole = false;
  size_t wholeVertices = 0;
  const std::vector<uint32_t>* wholeCorners = nullptr;  // each below 65535
  std::vector<uint32_t> sourceVertices;
  std::vector<uint16_t> indices;
  uint32_t primitiveType = 4;
};

// The node's local transform as glTF composes it: its matrix, or translation x rotation x scale.
Mat4 NodeLocal(const doc::Node& node);
// The node's translation, rotation (unit length) and scale, a matrix split into them; false for a
// matrix that they cannot express (shear, not affine).
bool NodeTrs(const doc::Node& node, Trs* trs);

class Importer {
 public:
  // The document's compressed primitives are decoded into it before the object is built.
  Importer(doc::Document& document, const ImportOptions& options, const doc::ResourceReader& read,
           ImportedAsset* out);
  void Run();

 private:
  [[noreturn]] static void Fail(const std::string& text) { throw ImportFailure{text}; }
  void Warn(const std::string& text) { out_->warnings.push_back(text); }
  // Counts `bytes` more of the object being built (or of the working data that makes it) against
  // what the asset justifies; fails when that is passed.
  void Charge(uint64_t bytes, const std::string& what);
  // Charge in two steps, for callers that make the words only when they are needed: counts the
  // bytes and says whether they still fit; fails saying `what` needs too much.
  bool Fits(uint64_t bytes);
  // The most an import may hold: 64 bytes per byte of the asset and the options' allowance.
  uint64_t MemoryLimit() const;
  [[noreturn]] void FailOverBudget(const std::string& what);
  // A byte stride belongs to vertex attributes only; where another accessor's view has one, it is
  // read all the same (it is unambiguous), with one warning per view.
  void NoteStride(int accessor, const std::string& use);

  // Frames (gltf_import_nodes.cpp).
  void BuildFrames();
  std::vector<int> SceneRoots();
  void CheckTree();
  void FindSkinnedMeshHolders();
  sFrame* AddFrame(sFrame* parent, const std::string& name, const D3DXMATRIX& local);
  std::string UniqueName(std::string name);

  // Meshes (gltf_import_meshes.cpp).
  void BuildMeshes();
  void BuildNodeMeshes(int node, int meshIndex);
  bool ReadPrimitive(const doc::Primitive& primitive, const std::string& label, int texCoord,
                     PrimitiveData* data, std::vector<uint32_t>* corners, uint32_t* type);
  void AddFlatNormals(PrimitiveData* data, std::vector<uint32_t>* corners, uint32_t* type);
  std::vector<MeshPiece> CutPieces(std::vector<uint32_t>* corners, uint32_t type, size_t vertices);
  sFrame* FrameForPiece(sFrame* nodeFrame, const std::string& nodeName, size_t piece);
  void FillMesh(sMesh* mesh, const PrimitiveData& data, const MeshPiece& piece);
  void ApplyMaterial(sMesh* mesh, int materialIndex, bool hasTexcoords);
  std::string TextureName(int textureIndex, int32_t* addressU, int32_t* addressV);
  std::string ImageName(int imageIndex);
  // A WebP image as a PNG held for writing beside the DBO file; its name, or empty (with a
  // warning) when it does not decode.
  std::string PngOfWebp(const std::string& where, const uint8_t* bytes, size_t size);

  // Skins (gltf_import_skins.cpp).
  void AddBones(sMesh* mesh, int skinIndex, const PrimitiveData& data, const MeshPiece& piece);

  // Animation (gltf_import_animation.cpp).
  void BuildAnimation();
  // The animations that become clips, in order: all of them, or the one the options name.
  std::vector<size_t> ChosenAnimations();
  // Builds the keys of animation `index` as a clip starting at frame `start`, one entry per
  // animated node in `tracks`; false when it moves no frame of the scene.
  bool BuildClip(size_t index, int32_t start, AnimationClip* clip, std::vector<ClipTrack>* tracks);
  // The node's rest transform, which a track holds where its clip does not animate it.
  Trs RestOf(int node);

  doc::Document& document_;
  const ImportOptions& options_;
  const doc::ResourceReader& read_;
  ImportedAsset* out_;
  sObject* object_ = nullptr;

  std::vector<int> parentOfNode_;        // -1 for a root
  std::vector<sFrame*> frameOfNode_;     // null for nodes outside the scene and mesh holders
  std::vector<std::string> nameOfNode_;  // the frame's (unique) name
  std::vector<int> meshHolderTarget_;    // a holder node -> the node whose frame takes its mesh
  std::map<sFrame*, sFrame*> lastChild_;
  std::set<std::string> usedNames_;
  std::map<int, std::string> imageNames_;          // image -> name the object gives it
  std::vector<std::vector<double>> inverseBinds_;  // per skin, 16 per joint (glTF, column major)
  std::vector<bool> inverseBindsRead_;
  uint64_t charged_ = 0;
  std::set<int> stridedViews_;
  size_t renamedFrames_ = 0;
  size_t morphMeshes_ = 0;
  size_t morphChannels_ = 0;
  std::map<int, Trs> restOfNode_;
};

}  // namespace korva::gltf
