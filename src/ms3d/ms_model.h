// msModel: an MS3D model file in memory (vertices, triangles, groups, materials, animation
// settings, joints with keys) and the evaluation of its skeleton.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "ms3d/skeleton_math.h"

namespace korva {

struct Ms3dAccount;

// Width of every name field; names may fill it without a terminating zero.
constexpr size_t kMsNameSize = 32;
// Width of the texture and alpha-map file name fields.
constexpr size_t kMsTextureNameSize = 128;

// Fills `out` with up to `size` next bytes of a model; returns the count, fewer only at its end
// (or when it cannot be read further).
using msByteSource = std::function<size_t(uint8_t* out, size_t size)>;

// Bytes of a comment exactly as the file holds them, no terminator added.
using msComment = std::vector<char>;

// Length of the text in a fixed-width name field: up to the first zero, at most `width`.
size_t BoundedNameLength(const char* field, size_t width);

struct msVertex {
  uint8_t flags = 0;
  float position[3] = {};
  int8_t boneId = 0;  // joint that moves the vertex, -1 for none
  uint8_t referenceCount = 0;
  // From the vertex extra section; zero when the file has none.
  int8_t boneIds[3] = {};
  uint8_t weights[3] = {};
  uint32_t extra = 0;
  uint32_t extra2 = 0;  // only vertex extra subversion 3 carries it
};

struct msTriangle {
  uint16_t flags = 0;
  uint16_t vertexIndices[3] = {};
  float vertexNormals[3][3] = {};  // one normal per corner
  float s[3] = {};                 // texture u per corner
  float t[3] = {};                 // texture v per corner
  uint8_t smoothingGroup = 0;
  uint8_t groupIndex = 0;
};

struct msGroup {
  uint8_t flags = 0;
  char name[kMsNameSize] = {};
  std::vector<uint16_t> triangleIndices;
  int8_t materialIndex = 0;  // -1 for none
  msComment comment;
};

struct msMaterial {
  char name[kMsNameSize] = {};
  float ambient[4] = {};  // RGBA; alpha = transparency after a load
  float diffuse[4] = {};
  float specular[4] = {};
  float emissive[4] = {};
  float shininess = 0.0f;
  float transparency = 0.0f;
  uint8_t mode = 0;
  char texture[kMsTextureNameSize] = {};
  char alphaMap[kMsTextureNameSize] = {};
  msComment comment;
};

struct msKeyframe {
  float time = 0.0f;  // in frames once loaded (seconds in the file)
  float value[3] = {};
};

struct msTangent {
  float in[3] = {};
  float out[3] = {};
};

// Posing reads keys and tangents as runs of floats, four at a time.
static_assert(sizeof(msKeyframe) == 16 && offsetof(msKeyframe, value) == 4);
static_assert(sizeof(msTangent) == 24 && offsetof(msTangent, out) == 12);

struct msJoint {
  uint8_t flags = 0;
  char name[kMsNameSize] = {};
  char parentName[kMsNameSize] = {};
  float rotation[3] = {};  // rest rotation angles about X, Y, Z
  float position[3] = {};  // rest translation relative to the parent
  std::vector<msKeyframe> rotationKeys;
  std::vector<msKeyframe> positionKeys;
  std::vector<msTangent> tangents;  // one per position key, from ComputeKeyCurves
  // Each rotation key as a quaternion, from ComputeKeyCurves: posing at every key frame
  // then turns each key's angles into a quaternion once rather than at both ends of two intervals.
  std::vector<Quaternion> rotationQuaternions;
  // Whether each key array's times never decrease, from ComputeKeyCurves: posing then
  // finds a key interval by bisection.
  bool rotationKeysInOrder = false;
  bool positionKeysInOrder = false;
  // The key intervals that held the frame posed last, where posing the next frame looks first.
  size_t rotationHint = 0;
  size_t positionHint = 0;
  // The arc of the last interval between two rotation keys posed with the runtime (see SlerpArc).
  SlerpArc rotationArc;
  msComment comment;
  float color[3] = {};
  int32_t parentIndex = 0;  // -1 for a root (or a joint in a cycle of parents), from LinkParents
  Matrix34 bindLocal;
  Matrix34 bindAbsolute;
  Matrix34 poseLocal;
  Matrix34 poseAbsolute;
};

class msModel {
 public:
  msModel();
  virtual ~msModel();

  // Empties every array and the comment and restores the defaults below.
  void Reset();

  // Reads the MS3D file at `path`. False if it cannot be opened (model unchanged) or is not a
  // complete version-4 model (model reset). Optional sections cut short are dropped whole.
  bool LoadFromFile(const char* path);

  // The same reading from a buffer of `size` bytes (false and reset on a bad model).
  bool LoadFromMemory(const uint8_t* data, size_t size);

  // The same reading from a source that delivers the model's `size` bytes in order, a piece at a
  // time: the whole file is never in memory.
  bool LoadFromSource(const msByteSource& source, size_t size);

  // The same readings, telling in `account` what was read and why a file was refused (fault
  // kCannotOpen when the file cannot be opened).
  bool LoadFromFile(const char* path, Ms3dAccount& account);
  bool LoadFromMemory(const uint8_t* data, size_t size, Ms3dAccount& account);
  bool LoadFromSource(const msByteSource& source, size_t size, Ms3dAccount& account);

  // position.x = -position.x for every vertex; nothing else changes.
  void NegateVertexX();

  // Index of the first joint whose 32-byte name equals `name` byte for byte; -1 if none.
  int JointIndexByName(const char* name) const;

  // Sets every joint's parentIndex: the first joint whose name equals its parentName, or -1. A
  // joint on a cycle of parent names (its own ancestor) gets -1 too and so counts as a root; the
  // joints hanging from the cycle keep their parents. Fills parentFirstOrder. Linear in the
  // joints, without recursion: a chain may be as long as the joint count.
  void LinkParents();

  // BuildRestTransforms, then ComputePositionTangents.
  void BuildBindPose();

  // LinkParents, then fills bindLocal and bindAbsolute (parents before children, whatever their
  // places in the file). Posing needs, beyond these, the key curves of the joints it poses.
  void BuildRestTransforms();

  // ComputeKeyCurves of every joint. Keys changed later need another call.
  void ComputePositionTangents();

  // Hermite tangents of the joint's position keys (zero with fewer than three keys), each rotation
  // key's quaternion, and whether each key array is in time order: what posing the joint reads
  // beside its keys and rest transforms. The arrays reuse the storage they hold.
  static void ComputeKeyCurves(msJoint& joint);

  // Poses every joint at `frame` (the rest pose for a negative frame), parents before children;
  // currentFrame = frame. Needs BuildBindPose.
  void PoseAtFrame(float frame);

  // Poses joint `index` at `frame`; its parent must be posed already. Needs BuildBindPose.
  // Logarithmic in the joint's keys when they are in time order, linear otherwise.
  void PoseJoint(int index, float frame);

  // Sets only poseLocal of joint `index` at `frame` (the rest combined with the keys), as
  // PoseJoint does, without combining the parents: for callers that need the local transform
  // alone, in any joint order. Needs BuildBindPose.
  void PoseJointLocal(int index, float frame);

  // PoseJointLocal at four frames at once, for callers that pose a joint at many frames: lane i
  // of `out` holds the poseLocal that PoseJointLocal(index, frames[i]) sets, bit for bit (one
  // frame is posed as four equal lanes). The joint's poseLocal is left as it was. Needs
  // BuildBindPose; `index` must be a joint's.
  void PoseJointLocalLanes(int index, Lanes frames, Matrix34Lanes& out);

  std::vector<msVertex> vertices;
  std::vector<msTriangle> triangles;
  std::vector<msGroup> groups;
  std::vector<msMaterial> materials;
  float framesPerSecond = 24.0f;  // never below 1.0 after a load
  float currentFrame = 1.0f;
  int32_t totalFrames = 30;
  std::vector<msJoint> joints;
  // Every joint index once, each after its parent, from LinkParents.
  std::vector<int32_t> parentFirstOrder;
  msComment comment;
  float jointSize = 1.0f;
  int32_t transparencyMode = 0;
  float alphaRef = 0.5f;
  // Subversion of the vertex extra section read (0 without one): weights are out of 255 in
  // subversion 1 and out of 100 after it.
  int32_t vertexExtraSubVersion = 0;
};

}  // namespace korva
