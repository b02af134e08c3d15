// Builds MS3D files for tests: any mix of optional sections and subversions, so fixtures are
// generated in the test instead of committed as opaque bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ms3d/ms_model.h"

namespace korva::testing {

struct Ms3dCommentEntry {
  int32_t index = 0;
  std::string text;
};

struct Ms3dCommentsSection {
  int32_t subVersion = 1;  // only 1 writes a body
  std::vector<Ms3dCommentEntry> groupComments;
  std::vector<Ms3dCommentEntry> materialComments;
  std::vector<Ms3dCommentEntry> jointComments;
  int32_t modelCommentFlag = 0;  // 1 writes modelComment
  std::string modelComment;
};

struct Ms3dModelExtra {
  int32_t subVersion = 1;  // only 1 writes a body
  float jointSize = 1.0f;
  int32_t transparencyMode = 0;
  float alphaRef = 0.5f;
};

// What to write. The mandatory part comes from `model` as given: element fields are written
// byte for byte, key times as seconds, material alphas as stored (the reader replaces them).
struct Ms3dContent {
  char id[10] = {'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0'};
  int32_t version = 4;
  msModel model;  // framesPerSecond, currentFrame and totalFrames are written too

  // Optional sections, in file order; a section left empty is not written, and nor is any
  // section after it (the file ends there).
  std::optional<Ms3dCommentsSection> comments;
  // 1: boneIds and weights; 2: plus extra; 3: plus extra and extra2; others: the value only.
  std::optional<int32_t> vertexExtraSubVersion;
  // 1: one color per joint; others: the value only.
  std::optional<int32_t> jointExtraSubVersion;
  std::optional<Ms3dModelExtra> modelExtra;

  std::vector<uint8_t> trailingBytes;  // appended after the last section written
};

// The file bytes for `content`.
std::vector<uint8_t> WriteMs3d(const Ms3dContent& content);

// Writes `bytes` to a new file in the test temporary directory and returns its path.
std::string WriteTempFile(const std::vector<uint8_t>& bytes, const std::string& fileName);

// WriteMs3d to a temporary file; returns its path.
std::string WriteMs3dFile(const Ms3dContent& content, const std::string& fileName);

// Sets a fixed-width name field from `text` (truncated to the field, zero padded).
void SetName(char* field, size_t width, const std::string& text);
template <size_t N>
void SetName(char (&field)[N], const std::string& text) {
  SetName(field, N, text);
}

// Appends a vertex at (x, y, z) moved by joint `boneId` (-1: none).
void AddVertex(msModel& model, float x, float y, float z, int8_t boneId = -1);

// A small complete model: 4 vertices bound to joints, 2 triangles, 2 groups (one with a
// material, one without), 2 materials (first with texture "wood.bmp"), and a three-joint chain
// root -> arm -> hand with rotation and position keys. framesPerSecond 24. No optional sections.
Ms3dContent SampleMs3d();

}  // namespace korva::testing
