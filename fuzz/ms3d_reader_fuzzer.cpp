// The MS3D reader on any bytes, then the skeleton on whatever it accepted: no crash, no read out of
// bounds, nothing leaked, memory bounded by the input's size, and a loaded model's counts within
// what the input can hold.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "ms3d/ms3d_format.h"
#include "ms3d/ms_model.h"

namespace {
using namespace korva::ms3d_format;
constexpr size_t kSmallestVertex = kVertexSize;
constexpr size_t kSmallestTriangle = kTriangleSize;
constexpr size_t kSmallestGroup = kGroupFixedSize;
constexpr size_t kSmallestJoint = kJointFixedSize;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  korva::fuzz::SilenceNotices();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korva::fuzz::CountedRun run(size);
  {
    korva::msModel model;
    if (model.LoadFromMemory(data, size)) {
      if (model.vertices.size() * kSmallestVertex > size ||
          model.triangles.size() * kSmallestTriangle > size ||
          model.groups.size() * kSmallestGroup > size ||
          model.joints.size() * kSmallestJoint > size) {
        korva::fuzz::Fail("the model holds more elements than the input can");
      }
      model.NegateVertexX();
      model.BuildBindPose();
      model.PoseAtFrame(0.0f);
      model.PoseAtFrame(static_cast<float>(model.totalFrames));
    }
  }
  return 0;
}
