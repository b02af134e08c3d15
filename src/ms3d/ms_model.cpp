#include "ms3d/ms_model.h"

namespace korva {

size_t BoundedNameLength(const char* field, size_t width) {
  size_t length = 0;
  while (length < width && field[length] != '\0') ++length;
  return length;
}

msModel::msModel() {
  Reset();
}

msModel::~msModel() = default;

void msModel::Reset() {
  vertices.clear();
  triangles.clear();
  groups.clear();
  materials.clear();
  joints.clear();
  parentFirstOrder.clear();
  comment.clear();
  framesPerSecond = 24.0f;
  currentFrame = 1.0f;
  totalFrames = 30;
  jointSize = 1.0f;
  transparencyMode = 0;
  alphaRef = 0.5f;
  vertexExtraSubVersion = 0;
}

void msModel::NegateVertexX() {
  for (msVertex& vertex : vertices) vertex.position[0] = -vertex.position[0];
}

}  // namespace korva
