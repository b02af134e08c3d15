#include "import/import_driver.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/binding/plugin_state.h"
#include "import/animation_export.h"
#include "import/bone_binding.h"
#include "import/frame_names.h"
#include "import/group_materials.h"
#include "import/import_text.h"
#include "import/joint_frames.h"
#include "import/mesh_building.h"
#include "import/model_checks.h"
#include "import/texture_paths.h"
#include "model/counted_array.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"
#include "ms3d/ms_model.h"

namespace korva::import {
namespace {
constexpr int32_t kUnreadableModelError = 68;

void StoreUnreadableModelError() {
  if (g_plugin.coreData && g_plugin.coreData->ErrorCode) {
    *g_plugin.coreData->ErrorCode = kUnreadableModelError;
  }
}

// The frames the host made for the new object, in chain order, with the mesh each had. Frame k is
// the frame of group k for k < groups, then the frames of the joints in joint order.
struct FrameTables {
  std::vector<sFrame*> frames;
  std::vector<sMesh*> meshes;
};

// False when the host's chain is shorter than asked for (a frame would have to stand for two).
bool TableHostFrames(const sObject& object, size_t frameCount, FrameTables& tables) {
  sFrame* frame = object.rootFrame;
  tables.frames.reserve(frameCount);
  tables.meshes.reserve(frameCount);
  for (size_t k = 0; k < frameCount; ++k) {
    if (!frame) return false;
    tables.frames.push_back(frame);
    tables.meshes.push_back(frame->mesh);
    frame = frame->firstChild;
  }
  return true;
}

// Group frames form the top of the object, in group order, and carry their box centre as their
// translation so that every group is drawn where it was modelled.
void SetUpGroupFrame(sFrame* frame, const std::string& name, const D3DXVECTOR3& centre) {
  CopyHostName(frame->name, name);
  frame->parent = nullptr;
  frame->firstChild = nullptr;
  frame->nextSibling = nullptr;
  frame->localMatrix = IdentityMatrix();
  frame->localMatrix.m[3][0] = centre.x;
  frame->localMatrix.m[3][1] = centre.y;
  frame->localMatrix.m[3][2] = centre.z;
}

// Fills the object the host created. The model's indices have been checked.
bool BuildObject(msModel& model, int32_t objectNumber, sObject* object, const FrameTables& tables,
                 const std::string& modelDirectory, const std::vector<int32_t>& keyFrames) {
  const size_t groupCount = model.groups.size();
  const size_t jointCount = model.joints.size();

  const std::vector<std::string> groupFrameNames = GroupFrameNames(model);
  GroupScratch groupScratch(model.vertices.size());
  std::vector<std::vector<uint32_t>> groupVertices(groupCount);
  std::vector<D3DXMATRIX> groupMatrices(groupCount);
  for (size_t i = 0; i < groupCount; ++i) {
    D3DXVECTOR3 centre{0.0f, 0.0f, 0.0f};
    sMesh* mesh = tables.meshes[i];
    if (mesh && !BuildGroupMesh(model, i, mesh, groupScratch, groupVertices[i], centre)) {
      return false;
    }
    SetUpGroupFrame(tables.frames[i], groupFrameNames[i], centre);
    // Group frames are at the top of the object: their combined matrix is their own.
    groupMatrices[i] = tables.frames[i]->localMatrix;
  }

  // The joint frames, bones and keys all take their transforms from the model's own rest pose
  // and evaluation, so the imported skeleton stands and moves where the model's does.
  // The key curves are found joint by joint as the animation is built, where they are read.
  model.BuildRestTransforms();
  std::vector<sFrame*> jointFrames(tables.frames.begin() + static_cast<ptrdiff_t>(groupCount),
                                   tables.frames.end());
  for (size_t j = 0; j < jointCount; ++j) {
    SetUpJointFrame(jointFrames[j], model.joints[j]);
    if (sMesh* mesh = tables.meshes[groupCount + j]) {
      mesh->drawVertexCount = 0;
      mesh->drawPrimitiveCount = 0;
    }
  }
  const std::vector<int32_t> parents = LinkableParents(model);
  const std::vector<int32_t> roots = LinkJointFrames(jointFrames, parents);

  // The top level: the group frames, then every root joint's frame, so no subtree is left out.
  std::vector<sFrame*> topLevel;
  topLevel.reserve(groupCount + roots.size());
  topLevel.assign(tables.frames.begin(),
                  tables.frames.begin() + static_cast<ptrdiff_t>(groupCount));
  for (int32_t root : roots) topLevel.push_back(jointFrames[static_cast<size_t>(root)]);
  if (topLevel.empty()) return false;  // cannot happen: a finite parent forest has a root
  for (size_t k = 0; k + 1 < topLevel.size(); ++k) topLevel[k]->nextSibling = topLevel[k + 1];
  topLevel.back()->nextSibling = nullptr;
  object->rootFrame = topLevel.front();

  const std::vector<BoneRecord> records =
      BuildBoneRecords(model, JointRestMatrices(model, parents));
  // An object with bones or keys missing would animate wrongly; without memory for them the
  // import fails instead.
  BoneScratch boneScratch;
  for (size_t i = 0; i < groupCount; ++i) {
    sMesh* mesh = tables.meshes[i];
    if (mesh &&
        !FillMeshBones(mesh, groupVertices[i], model, records, groupMatrices[i], boneScratch)) {
      return false;
    }
  }
  if (!BuildAnimationSet(object, &model, &keyFrames)) return false;

  // Finalising gives every mesh its texture records, which the textures then fill.
  const HostApi& api = g_plugin.api;
  if (api.SetNewObjectFinalProperties) api.SetNewObjectFinalProperties(objectNumber, 0.0f);
  if (api.SetTextureStage) {
    api.SetTextureStage(objectNumber, 0, 0);
    api.SetTextureStage(objectNumber, 1, 0);
  }
  // The texture stages go into records 0 and 1; a host that ran out of memory for them leaves a
  // mesh that would draw with the wrong stages.
  for (size_t i = 0; i < groupCount; ++i) {
    const sMesh* mesh = tables.meshes[i];
    if (mesh && (!mesh->textures || CountedArrayCount(mesh->textures) < 2)) return false;
  }
  ApplyTexturesAndMaterials(model, tables.meshes, modelDirectory);
  return true;
}

// The import, whichever way the model's bytes arrive (`load` fills the model from them).
bool ImportModel(const char* path, int32_t objectNumber,
                 const std::function<bool(msModel&)>& load) {
  if (!g_plugin.device || !path) return false;
  const HostApi& api = g_plugin.api;

  auto model = std::make_unique<msModel>();
  if (!load(*model)) {
    StoreUnreadableModelError();
    return false;
  }
  // The key frames the check finds are the ones the animation is built at.
  std::vector<int32_t> keyFrames;
  const ImportVerdict verdict = CheckImportable(*model, &keyFrames);
  if (!verdict.importable()) {
    // A model without frames is no damaged file: the host's error variable is left as it was.
    if (verdict.obstacle != ImportObstacle::kNoGroupsOrJoints) StoreUnreadableModelError();
    return false;
  }
  model->NegateVertexX();
  const size_t frameCount = model->groups.size() + model->joints.size();
  if (!api.CreateNewObjectWithFrames || !api.GetObjectA) return false;
  // The number may already be taken: that object must not be touched.
  if (api.GetObjectA(objectNumber)) return false;

  const std::string modelDirectory = ModelDirectory(path);
  char rootName[] = "Root Frame";
  if (!api.CreateNewObjectWithFrames(objectNumber, rootName, static_cast<int32_t>(frameCount))) {
    return false;
  }
  sObject* object = api.GetObjectA(objectNumber);
  if (!object) return false;

  bool built = false;
  try {
    FrameTables tables;
    built = TableHostFrames(*object, frameCount, tables) &&
            BuildObject(*model, objectNumber, object, tables, modelDirectory, keyFrames);
  } catch (...) {
    built = false;
  }
  if (!built) {
    // A half-built object is no use to the script; the host takes it back.
    if (api.DeleteEx) api.DeleteEx(objectNumber);
    return false;
  }
  // The object is built: a notice that cannot be shown must not turn it into a failure.
  try {
    ShowInfo("Done Loading MilkShape");
  } catch (...) {
  }
  return true;
}

void ReportImport(const char* path, const std::function<bool()>& import) noexcept {
  bool imported = false;
  try {
    imported = import();
  } catch (...) {
    imported = false;
  }
  if (imported) return;
  try {
    ShowError("Failed to load MS file: " + std::string(path ? path : ""));
  } catch (...) {
  }
}
}  // namespace

bool ImportMs3dObject(const char* path, int32_t objectNumber) {
  return ImportModel(path, objectNumber, [&](msModel& model) { return model.LoadFromFile(path); });
}

bool ImportMs3dObjectFromMemory(const uint8_t* data, size_t size, const char* path,
                                int32_t objectNumber) {
  return ImportModel(path, objectNumber,
                     [&](msModel& model) { return model.LoadFromMemory(data, size); });
}

bool ImportMs3dObjectFromSource(const msByteSource& source, size_t size, const char* path,
                                int32_t objectNumber) {
  return ImportModel(path, objectNumber,
                     [&](msModel& model) { return model.LoadFromSource(source, size); });
}

void LoadMilkshapeCommand(const char* path, int32_t objectNumber) noexcept {
  ReportImport(path, [&] { return ImportMs3dObject(path, objectNumber); });
}

void LoadMilkshapeFromMemory(const uint8_t* data, size_t size, const char* path,
                             int32_t objectNumber) noexcept {
  ReportImport(path, [&] { return ImportMs3dObjectFromMemory(data, size, path, objectNumber); });
}

void LoadMilkshapeFromSource(const msByteSource& source, size_t size, const char* path,
                             int32_t objectNumber) noexcept {
  ReportImport(path, [&] { return ImportMs3dObjectFromSource(source, size, path, objectNumber); });
}

}  // namespace korva::import
