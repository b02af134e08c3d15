#include "ms3d/ms3d_account.h"

namespace korva {

const char* Ms3dSectionName(Ms3dSection section) {
  switch (section) {
    case Ms3dSection::kComments:
      return "comments";
    case Ms3dSection::kVertexExtra:
      return "vertex extra";
    case Ms3dSection::kJointExtra:
      return "joint extra";
    case Ms3dSection::kModelExtra:
      return "model extra";
  }
  return "unknown";
}

const char* Ms3dElementName(Ms3dElement element) {
  switch (element) {
    case Ms3dElement::kHeader:
      return "header";
    case Ms3dElement::kVertex:
      return "vertex";
    case Ms3dElement::kTriangle:
      return "triangle";
    case Ms3dElement::kGroup:
      return "group";
    case Ms3dElement::kMaterial:
      return "material";
    case Ms3dElement::kAnimationSettings:
      return "animation settings";
    case Ms3dElement::kJoint:
      return "joint";
    case Ms3dElement::kKey:
      return "key";
  }
  return "unknown";
}

}  // namespace korva
