// The MS3D file layout: identification and the on-disk size of every record. The reader, the
// test model writer, the fuzzers and the import's memory bound all size records from here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korva::ms3d_format {

constexpr char kMagic[10] = {'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0'};
constexpr int32_t kVersion = 4;
constexpr size_t kHeaderSize = sizeof kMagic + 4;  // magic, version
constexpr size_t kCountSize = 2;                   // every element count of the mandatory part

constexpr size_t kVertexSize = 15;
constexpr size_t kTriangleSize = 70;
// A group: flags, name, index count, the indices, material index.
constexpr size_t kGroupFixedSize = 1 + 32 + 2 + 1;
constexpr size_t kGroupIndexSize = 2;
constexpr size_t kMaterialSize = 361;
constexpr size_t kAnimationSettingsSize = 12;  // frames per second, current frame, total frames
// A joint without its keys: flags, name, parent name, rotation, position, the two key counts.
constexpr size_t kJointFixedSize = 93;
constexpr size_t kKeySize = 16;  // time, three values

// Optional sections: each opens with an int32 subversion.
constexpr size_t kSubVersionSize = 4;
constexpr size_t kCommentFixedSize = 8;  // index, length; the text follows
constexpr size_t kJointColorSize = 12;
constexpr size_t kModelExtraSize = 12;  // joint size, transparency mode, alpha reference

// Bytes of one vertex extra record for `subVersion`; 0 for a subversion the reader does not know.
// Subversion 3 carries a second extra value after the first.
constexpr size_t VertexExtraRecordSize(int32_t subVersion) {
  return subVersion == 1 ? 6 : subVersion == 2 ? 10 : subVersion == 3 ? 14 : 0;
}

}  // namespace korva::ms3d_format
