// Whole objects: the host releases everything below an object exactly once, including meshes the
// plug-in detached from their frames, and adopts objects built elsewhere with fresh bookkeeping.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "host/binding/plugin_state.h"
#include "model/animation.h"
#include "model/frame.h"
#include "model/host_heap.h"
#include "model/mesh.h"
#include "model/object.h"
#include "standalone/standalone_host.h"
#include "unit/model/counting_heap.h"

namespace korva {
namespace {
using standalone::StandaloneHost;

TEST(WholeObjects, DeletingFreesDetachedMeshesOnceAndBothLists) {
  testing::CountingHeap heap;
  sMesh* loose = nullptr;
  {
    StandaloneHost host;
    host.Bind();
    char name[] = "Root Frame";
    ASSERT_TRUE(g_plugin.api.CreateNewObjectWithFrames(1, name, 4));
    sObject* object = host.GetObject(1);
    // As the import does with joint frames: the mesh leaves the frame but stays in the mesh list.
    object->frameList[2]->mesh = nullptr;
    // A mesh listed twice is still one mesh; the one it displaces is this test's to free.
    loose = object->meshList[3];
    object->frameList[3]->mesh = nullptr;
    object->meshList[3] = object->meshList[0];
    object->animationSet = NewAnimationSet();
    object->animationSet->firstTrack = NewAnimation();
    g_plugin.api.CreateCustomDataArrayForObject(object, 12);

    EXPECT_TRUE(host.DeleteObject(1));
    EXPECT_FALSE(host.DeleteObject(1));
    EXPECT_EQ(host.GetObject(1), nullptr);
    EXPECT_EQ(heap.badFrees(), 0);
    EXPECT_EQ(heap.live(), 1);  // only the displaced mesh

    ASSERT_TRUE(g_plugin.api.CreateNewObjectWithFrames(2, name, 3));
    g_plugin.api.DeleteEx(2);
    EXPECT_EQ(host.GetObject(2), nullptr);
    ASSERT_TRUE(g_plugin.api.CreateNewObjectWithFrames(3, name, 2));
  }  // the host releases what is left at its end
  EXPECT_EQ(heap.live(), 1);
  DeleteMesh(loose);
  EXPECT_EQ(heap.live(), 0);
  EXPECT_EQ(heap.badFrees(), 0);
  g_plugin = PluginState{};
}

TEST(WholeObjects, FramesUnlinkedFromTheTreeAreFreedWithWhatHangsBelowThem) {
  testing::CountingHeap heap;
  {
    StandaloneHost host;
    host.Bind();
    char name[] = "Root Frame";
    ASSERT_TRUE(g_plugin.api.CreateNewObjectWithFrames(1, name, 5));
    sObject* object = host.GetObject(1);
    sFrame** frames = object->frameList;
    // Joint frames whose parent joint is missing: frame 3 carries frame 4 as its child, and
    // neither is reachable from the root any more; frame 2 still is, and keeps no mesh.
    frames[1]->firstChild = frames[2];
    frames[2]->firstChild = nullptr;
    frames[2]->mesh = nullptr;
    frames[3]->firstChild = frames[4];
    frames[3]->mesh = nullptr;
    ASSERT_TRUE(host.DeleteObject(1));
    EXPECT_EQ(heap.live(), 0);
    EXPECT_EQ(heap.badFrees(), 0);
  }
  g_plugin = PluginState{};
}

// A tree as the DBO reader leaves it: no lists, no parents, limb numbers at their defaults.
//   root -> a (child) -> a1 (child), a2 (a1's sibling); b (a's sibling); root's sibling r2
sObject* BuildLoadedTree(sFrame* (&frames)[6]) {
  sObject* object = NewObject();
  for (sFrame*& frame : frames) {
    frame = NewFrame();
    frame->mesh = NewMesh();
  }
  frames[0]->firstChild = frames[1];
  frames[1]->firstChild = frames[2];
  frames[2]->nextSibling = frames[3];
  frames[1]->nextSibling = frames[4];
  frames[0]->nextSibling = frames[5];
  object->rootFrame = frames[0];
  return object;
}

TEST(WholeObjects, AdoptionNumbersFramesChildBeforeSiblingAndLinksParents) {
  testing::CountingHeap heap;
  StandaloneHost host;
  sFrame* frames[6];
  sObject* object = BuildLoadedTree(frames);
  ASSERT_TRUE(host.AdoptObject(9, object));
  EXPECT_EQ(host.GetObject(9), object);
  ASSERT_EQ(object->frameCount, 6);
  EXPECT_EQ(object->meshCount, 6);
  // Depth first: root, a, a1, a2, b, r2.
  const int order[6] = {0, 1, 2, 3, 4, 5};
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(object->frameList[k], frames[order[k]]);
    EXPECT_EQ(object->meshList[k], frames[order[k]]->mesh);
    EXPECT_EQ(frames[order[k]]->limbNumber, k);
  }
  EXPECT_EQ(frames[2]->parent, frames[1]);
  EXPECT_EQ(frames[3]->parent, frames[1]);
  EXPECT_EQ(frames[4]->parent, frames[0]);
  EXPECT_EQ(frames[5]->parent, nullptr);

  EXPECT_EQ(host.DetachObject(9), object);
  EXPECT_EQ(host.GetObject(9), nullptr);
  StandaloneHost::ReleaseWholeObject(object);
  EXPECT_EQ(heap.live(), 0);
}

TEST(WholeObjects, AdoptionRefusesBadNumbersAndLeavesTheObjectAlone) {
  StandaloneHost host;
  sFrame* frames[6];
  std::unique_ptr<sObject, void (*)(sObject*)> object(BuildLoadedTree(frames),
                                                      &StandaloneHost::ReleaseWholeObject);
  EXPECT_FALSE(host.AdoptObject(0, object.get()));
  EXPECT_FALSE(host.AdoptObject(-1, object.get()));
  EXPECT_FALSE(host.AdoptObject(1, nullptr));
  EXPECT_EQ(object->meshList, nullptr);
  EXPECT_EQ(frames[2]->parent, nullptr);

  sObject* other = NewObject();
  ASSERT_TRUE(host.AdoptObject(1, other));  // an object without frames is fine
  EXPECT_EQ(other->frameCount, 0);
  EXPECT_FALSE(host.AdoptObject(1, object.get()));
  EXPECT_EQ(host.ObjectNumbers(), std::vector<int32_t>{1});
}

TEST(WholeObjects, DeepTreesAreAdoptedAndReleasedWithoutRecursion) {
  constexpr int kDepth = 100000;
  testing::CountingHeap heap;
  {
    StandaloneHost host;
    sObject* object = NewObject();
    object->rootFrame = NewFrame();
    sFrame* child = object->rootFrame;
    sFrame* sibling = object->rootFrame;
    for (int i = 1; i < kDepth; ++i) {
      child->firstChild = NewFrame();
      child = child->firstChild;
      if (i % 2 == 0) {
        sibling->nextSibling = NewFrame();
        sibling = sibling->nextSibling;
      }
    }
    ASSERT_TRUE(host.AdoptObject(1, object));
    EXPECT_EQ(object->frameCount, kDepth + kDepth / 2 - 1);
    EXPECT_EQ(child->parent->firstChild, child);
  }
  EXPECT_EQ(heap.live(), 0);
}

TEST(WholeObjects, OnlyOneHostAtATime) {
  StandaloneHost host;
  EXPECT_THROW(StandaloneHost second, std::logic_error);
  EXPECT_NE(host.coreData(), nullptr);
}

}  // namespace
}  // namespace korva
