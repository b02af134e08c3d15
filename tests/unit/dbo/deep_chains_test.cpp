// Depth in the data is not depth on the stack: long sibling, child and track chains write and read
// back on a thread whose stack is far smaller than the host's.
#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>

#include "model/animation.h"
#include "model/frame.h"
#include "model/host_heap.h"
#include "unit/dbo/sample_objects.h"

namespace korva::testing {
namespace {

constexpr int kLength = 100000;

// Runs `body` on a thread with a 256 KiB stack.
void OnSmallStack(const std::function<void()>& body) {
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, 256 * 1024), 0);
  pthread_t thread;
  auto run = [](void* argument) -> void* {
    (*static_cast<const std::function<void()>*>(argument))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&body)),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

enum class Chain { kSiblings, kChildren, kTracks };

ObjectPtr MakeChain(Chain chain) {
  ObjectPtr object(NewObject());
  if (chain == Chain::kTracks) {
    object->animationSet = NewAnimationSet();
    sAnimation** slot = &object->animationSet->firstTrack;
    for (int i = 0; i < kLength; ++i, slot = &(*slot)->next) {
      *slot = NewAnimation();
      (*slot)->host100 = i;  // not written; the name carries the position instead
      std::snprintf((*slot)->name, sizeof(*slot)->name, "t%d", i);
    }
    return object;
  }
  object->rootFrame = NewFrame();
  sFrame* frame = object->rootFrame;
  for (int i = 1; i < kLength; ++i) {
    sFrame* next = NewFrame();
    next->offset.x = static_cast<float>(i);
    (chain == Chain::kSiblings ? frame->nextSibling : frame->firstChild) = next;
    frame = next;
  }
  return object;
}

// The chain's length, checking each element's position along it.
int LengthOf(const sObject& object, Chain chain) {
  int length = 0;
  if (chain == Chain::kTracks) {
    for (const sAnimation* t = object.animationSet->firstTrack; t; t = t->next, ++length) {
      if (std::string(t->name) != "t" + std::to_string(length)) return -1;
    }
    return length;
  }
  for (const sFrame* f = object.rootFrame; f;
       f = chain == Chain::kSiblings ? f->nextSibling : f->firstChild, ++length) {
    if (f->offset.x != static_cast<float>(length)) return -1;
  }
  return length;
}

class DboDeepChains : public ::testing::TestWithParam<Chain> {};

TEST_P(DboDeepChains, WriteAndReadBackOnA256KiBStack) {
  const Chain chain = GetParam();
  ObjectPtr original = MakeChain(chain);
  OnSmallStack([&] {
    const std::vector<uint8_t> block = WriteBlock(*original);
    ASSERT_FALSE(block.empty());
    ObjectPtr loaded = ReadBlock(block);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(LengthOf(*loaded, chain), kLength);
    EXPECT_EQ(block, WriteBlock(*loaded));
  });
}

INSTANTIATE_TEST_SUITE_P(Chains, DboDeepChains,
                         ::testing::Values(Chain::kSiblings, Chain::kChildren, Chain::kTracks));

}  // namespace
}  // namespace korva::testing
