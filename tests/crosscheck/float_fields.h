// The float fields a DBO file stores, visited in pairs across two objects of the same shape: the
// comparer measures each pair and then copies the second value over the first, so that the two
// objects can only still differ outside their floats.
#pragma once

#include <cstdint>
#include <string>

namespace korva {
struct sObject;
}

namespace korva::crosscheck {

class FloatFieldVisitor {
 public:
  // `count` floats of the field called `field` (e.g. "frame.localMatrix").
  virtual void Floats(const char* field, float* first, const float* second, int count) = 0;

 protected:
  ~FloatFieldVisitor() = default;
};

// Walks both objects in step: frame tree, meshes with their vertices, bones, materials, material
// lists and mesh frames, then animation sets, tracks and keys. Returns an empty text when their
// shapes (links present, counts) agree, otherwise what differed first; the walk stops there.
// Constant stack space whatever the depth of the frame tree.
std::string VisitFloatFields(sObject* first, const sObject* second, FloatFieldVisitor& visitor);

}  // namespace korva::crosscheck
