#include "support/ms3d_layout.h"

#include <cstring>

namespace korva::cli {
namespace {

// A cursor over the file that refuses to move past its end.
class Cursor {
 public:
  explicit Cursor(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  size_t left() const { return bytes_.size() - offset_; }
  bool Skip(uint64_t count) {
    if (count > left()) return false;
    offset_ += static_cast<size_t>(count);
    return true;
  }
  bool U16(uint16_t* value) { return Read(value, 2); }
  bool I32(int32_t* value) { return Read(value, 4); }
  const uint8_t* here() const { return bytes_.data() + offset_; }

 private:
  bool Read(void* value, size_t size) {
    if (size > left()) return false;
    std::memcpy(value, here(), size);  // the file is little-endian, as are our targets
    offset_ += size;
    return true;
  }
  const std::vector<uint8_t>& bytes_;
  size_t offset_ = 0;
};

std::string CutIn(const std::string& what, uint32_t index, uint32_t count) {
  return "cut short in " + what + " " + std::to_string(index + 1) + " of " + std::to_string(count);
}

// Walks `count` records of `what`, each `fixedSize` bytes; the problem text or empty.
std::string SkipRecords(Cursor& cursor, const std::string& what, uint32_t count,
                        uint32_t fixedSize) {
  for (uint32_t i = 0; i < count; ++i) {
    if (!cursor.Skip(fixedSize)) return CutIn(what, i, count);
  }
  return {};
}

std::string ScanMandatory(Cursor& cursor) {
  if (cursor.left() < 14) return "cut short in the header";
  if (std::memcmp(cursor.here(), "MS3D000000", 10) != 0) return "not an MS3D model (bad id)";
  cursor.Skip(10);
  int32_t version = 0;
  cursor.I32(&version);
  if (version != 4) return "MS3D version " + std::to_string(version) + " (only 4 is supported)";

  uint16_t count = 0;
  if (!cursor.U16(&count)) return "cut short before the vertex count";
  if (auto problem = SkipRecords(cursor, "vertex", count, 15); !problem.empty()) {
    return problem;
  }
  if (!cursor.U16(&count)) return "cut short before the triangle count";
  if (auto problem = SkipRecords(cursor, "triangle", count, 70); !problem.empty()) {
    return problem;
  }
  if (!cursor.U16(&count)) return "cut short before the group count";
  for (uint32_t i = 0; i < count; ++i) {
    uint16_t indices = 0;
    if (!cursor.Skip(33) || !cursor.U16(&indices) || !cursor.Skip(2u * indices + 1u)) {
      return CutIn("group", i, count);
    }
  }
  if (!cursor.U16(&count)) return "cut short before the material count";
  if (auto problem = SkipRecords(cursor, "material", count, 361); !problem.empty()) {
    return problem;
  }
  if (!cursor.Skip(12)) return "cut short in the animation settings";
  if (!cursor.U16(&count)) return "cut short before the joint count";
  for (uint32_t i = 0; i < count; ++i) {
    uint16_t rotationKeys = 0, positionKeys = 0;
    if (!cursor.Skip(89) || !cursor.U16(&rotationKeys) || !cursor.U16(&positionKeys) ||
        !cursor.Skip(16ull * rotationKeys + 16ull * positionKeys)) {
      return CutIn("joint", i, count);
    }
  }
  return {};
}

// Counts of the mandatory part the optional sections depend on, gathered in a second light pass.
struct Counts {
  uint32_t vertices = 0;
  uint32_t joints = 0;
};

Counts CountElements(const std::vector<uint8_t>& bytes) {
  Counts counts;
  Cursor cursor(bytes);
  uint16_t count = 0;
  cursor.Skip(14);
  cursor.U16(&count);
  counts.vertices = count;
  cursor.Skip(15ull * count);
  cursor.U16(&count);
  cursor.Skip(70ull * count);
  cursor.U16(&count);
  for (uint32_t i = 0; i < count; ++i) {
    uint16_t indices = 0;
    cursor.Skip(33);
    cursor.U16(&indices);
    cursor.Skip(2u * indices + 1u);
  }
  cursor.U16(&count);
  cursor.Skip(361ull * count + 12);
  cursor.U16(&count);
  counts.joints = count;
  return counts;
}

bool SkipComments(Cursor& cursor) {
  for (int list = 0; list < 3; ++list) {
    int32_t count = 0;
    if (!cursor.I32(&count) || count < 0) return false;
    for (int32_t i = 0; i < count; ++i) {
      int32_t index = 0, length = 0;
      if (!cursor.I32(&index) || !cursor.I32(&length) || length < 0 || !cursor.Skip(length)) {
        return false;
      }
    }
  }
  int32_t hasModelComment = 0;
  if (!cursor.I32(&hasModelComment)) return false;
  if (hasModelComment == 1) {
    int32_t length = 0;
    if (!cursor.I32(&length) || length < 0 || !cursor.Skip(length)) return false;
  }
  return true;
}

}  // namespace

Ms3dLayout ScanMs3dLayout(const std::vector<uint8_t>& bytes) {
  Ms3dLayout layout;
  Cursor cursor(bytes);
  layout.problem = ScanMandatory(cursor);
  if (!layout.problem.empty()) return layout;
  layout.complete = true;

  const Counts counts = CountElements(bytes);
  const char* names[] = {"comments", "vertex extra", "joint extra", "model extra"};
  for (int section = 0; section < 4 && cursor.left() > 0; ++section) {
    int32_t subVersion = 0;
    if (!cursor.I32(&subVersion)) {
      layout.trailingNote = std::string(names[section]) + " section cut short";
      return layout;
    }
    bool whole = true;
    switch (section) {
      case 0:
        if (subVersion == 1) whole = SkipComments(cursor);
        break;
      case 1:
        if (subVersion == 1) whole = cursor.Skip(6ull * counts.vertices);
        if (subVersion == 2 || subVersion == 3) whole = cursor.Skip(10ull * counts.vertices);
        break;
      case 2:
        if (subVersion == 1) whole = cursor.Skip(12ull * counts.joints);
        break;
      case 3:
        if (subVersion == 1) whole = cursor.Skip(12);
        break;
    }
    if (!whole) {
      layout.trailingNote = std::string(names[section]) + " section cut short (dropped)";
      return layout;
    }
    layout.optionalSections.push_back({names[section], subVersion});
  }
  if (cursor.left() > 0) {
    layout.trailingNote = std::to_string(cursor.left()) + " bytes after the last section";
  }
  return layout;
}

}  // namespace korva::cli
