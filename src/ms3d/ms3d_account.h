// What the MS3D reader read, as data: the optional sections it found, one it found cut short, the
// bytes after the last one, and, when it refused the file, why. Filled at section boundaries and on
// failure only, so asking for it costs the reading nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korva {

enum class Ms3dSection : uint8_t { kComments, kVertexExtra, kJointExtra, kModelExtra };
constexpr size_t kMs3dSectionCount = 4;

// "comments", "vertex extra", "joint extra", "model extra".
const char* Ms3dSectionName(Ms3dSection section);

// An optional section read whole.
struct Ms3dSectionRead {
  Ms3dSection section = Ms3dSection::kComments;
  int32_t subVersion = 0;  // as the file gives it; an unknown one is a section of its value only
  uint64_t offset = 0;     // of its subversion field
  uint64_t size = 0;       // bytes, the subversion included
};

// The part of the file a refusal or a cut is about.
enum class Ms3dElement : uint8_t {
  kHeader,  // magic and version
  kVertex,
  kTriangle,
  kGroup,  // its triangle indices included
  kMaterial,
  kAnimationSettings,
  kJoint,
  kKey,  // of joint `owner`: its rotation keys, then its position keys
};

// "header", "vertex", "triangle", "group", "material", "animation settings", "joint", "key".
const char* Ms3dElementName(Ms3dElement element);

enum class Ms3dFault : uint8_t {
  kNone,
  kCannotOpen,     // the file could not be opened
  kCutShort,       // the bytes end inside element `index` (before its count when index is kNoIndex)
  kCountTooLarge,  // `count` elements cannot fit in the bytes left, even at their smallest
  kBadMagic,       // the file does not open with the MS3D identification
  kBadVersion,     // `value` is the version found
  kBadLength,      // a comment gives a negative length (optional sections only)
};

constexpr uint32_t kMs3dNoIndex = UINT32_MAX;

// Why the reader refused a file, or why an optional section was dropped.
struct Ms3dProblem {
  Ms3dFault fault = Ms3dFault::kNone;
  Ms3dElement element = Ms3dElement::kHeader;
  uint32_t index = kMs3dNoIndex;  // 0-based element index, kMs3dNoIndex when it names none
  uint32_t count = 0;             // elements announced (keys: of the joint)
  uint32_t owner = kMs3dNoIndex;  // for keys: the joint's index
  uint32_t ownerCount = 0;        // for keys: the joint count
  uint64_t offset = 0;            // byte where the element (or the count) starts
  int64_t value = 0;              // kBadVersion: the version found
};

struct Ms3dAccount {
  // The optional sections read whole, in file order.
  Ms3dSectionRead sections[kMs3dSectionCount];
  size_t sectionCount = 0;

  // An optional section that starts but is cut short or damaged: it and all after it are dropped.
  bool sectionCut = false;
  Ms3dSection cutSection = Ms3dSection::kComments;
  uint64_t cutOffset = 0;                     // of the cut section's subversion field
  Ms3dFault cutFault = Ms3dFault::kCutShort;  // or kBadLength

  // Bytes after the last section, when every section up to there was read whole.
  uint64_t trailingBytes = 0;

  // Set when the reader refused the file (fault kNone when it accepted it).
  Ms3dProblem refusal;
  uint64_t fileSize = 0;
};

}  // namespace korva
