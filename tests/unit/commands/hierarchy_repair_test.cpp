#include <vector>

#include "fake_host.h"
#include "host/exports.h"

namespace korva::testing {
namespace {

class HierarchyRepairTest : public CommandsTest {
 protected:
  // An object whose frames are all unlinked; the test links them. Limb i is frames()[i].
  sObject* Unlinked(int32_t limbs) {
    sObject* object = AddObject(1, limbs);
    for (int32_t i = 0; i < limbs; ++i) object->frameList[i]->firstChild = nullptr;
    return object;
  }

  static void Scramble(sObject* object, sFrame* junk) {
    for (int32_t i = 0; i < object->frameCount; ++i) object->frameList[i]->parent = junk;
  }
};

TEST_F(HierarchyRepairTest, ChildrenOfTheRootAndAChainGetTheirTrueParents) {
  // R: children A, B, C; A: child D; D: child E, E's sibling F.
  sObject* object = Unlinked(7);
  sFrame** f = object->frameList;
  sFrame *r = f[0], *a = f[1], *b = f[2], *c = f[3], *d = f[4], *e = f[5], *g = f[6];
  r->firstChild = a;
  a->nextSibling = b;
  b->nextSibling = c;
  a->firstChild = d;
  d->firstChild = e;
  e->nextSibling = g;
  sFrame unrelated;
  ConstructFrame(&unrelated);
  Scramble(object, &unrelated);
  d->parent = nullptr;

  for (int run = 0; run < 2; ++run) {
    RepairHierarchy(1);
    EXPECT_EQ(r->parent, &unrelated);  // the root's own link is not the command's to set
    for (sFrame* child : {a, b, c}) EXPECT_EQ(child->parent, r);
    EXPECT_EQ(d->parent, a);
    EXPECT_EQ(e->parent, d);
    EXPECT_EQ(g->parent, d);
  }
}

TEST_F(HierarchyRepairTest, SiblingsOfTheRootKeepTheirLinksButTheirSubtreesAreRepaired) {
  sObject* object = Unlinked(4);
  sFrame** f = object->frameList;
  f[0]->nextSibling = f[1];
  f[1]->firstChild = f[2];
  f[2]->firstChild = f[3];
  Scramble(object, f[3]);
  RepairHierarchy(1);
  EXPECT_EQ(f[0]->parent, f[3]);
  EXPECT_EQ(f[1]->parent, f[3]);
  EXPECT_EQ(f[2]->parent, f[1]);
  EXPECT_EQ(f[3]->parent, f[2]);
}

TEST_F(HierarchyRepairTest, RepeatedLimbNumbersStillGiveTrueParentsAndNoSelfParent) {
  // P and its first child share a number, and an unrelated frame shares the child's number.
  sObject* object = Unlinked(4);
  sFrame** f = object->frameList;
  f[0]->firstChild = f[1];
  f[1]->nextSibling = f[2];
  f[2]->firstChild = f[3];
  for (int32_t i = 0; i < 4; ++i) f[i]->limbNumber = 7;
  RepairHierarchy(1);
  EXPECT_EQ(f[0]->parent, nullptr);
  EXPECT_EQ(f[1]->parent, f[0]);
  EXPECT_EQ(f[2]->parent, f[0]);
  EXPECT_EQ(f[3]->parent, f[2]);
}

TEST_F(HierarchyRepairTest, NothingChangesWithoutChildrenRootOrObject) {
  sObject* object = Unlinked(2);
  sFrame** f = object->frameList;
  f[0]->nextSibling = f[1];  // two top-level frames, neither with a child
  Scramble(object, f[1]);
  RepairHierarchy(1);
  EXPECT_EQ(f[0]->parent, f[1]);
  EXPECT_EQ(f[1]->parent, f[1]);

  f[0]->nextSibling = nullptr;
  f[0]->firstChild = f[1];
  object->rootFrame = nullptr;
  RepairHierarchy(1);  // no root frame
  RepairHierarchy(2);  // no object
  EXPECT_EQ(f[1]->parent, f[1]);
  object->rootFrame = f[0];
}

TEST_F(HierarchyRepairTest, LongChildAndSiblingChainsNeedNoDeepStack) {
  constexpr int32_t kFrames = 100000;
  sObject* object = AddObject(1, kFrames);  // one child chain, kFrames deep
  sFrame** f = object->frameList;
  RepairHierarchy(1);
  RepairHierarchy(1);
  for (int32_t i = 1; i < kFrames; ++i) ASSERT_EQ(f[i]->parent, f[i - 1]) << i;

  // The same frames as one long sibling chain under the root.
  for (int32_t i = 0; i < kFrames; ++i) f[i]->firstChild = nullptr;
  f[0]->firstChild = f[1];
  for (int32_t i = 1; i + 1 < kFrames; ++i) f[i]->nextSibling = f[i + 1];
  RepairHierarchy(1);
  for (int32_t i = 1; i < kFrames; ++i) ASSERT_EQ(f[i]->parent, f[0]) << i;
}

}  // namespace
}  // namespace korva::testing
