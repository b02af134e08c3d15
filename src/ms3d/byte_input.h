// Bounded little-endian input for the MS3D reader: every read checks the bytes left first and
// fails, reading nothing, when they do not suffice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace korva::ms3d_detail {

class ByteInput {
 public:
  virtual ~ByteInput() = default;

  size_t Remaining() const { return remaining_; }

  // Copies `size` bytes to `out`; false (and the input exhausted) when fewer are left.
  bool Read(void* out, size_t size) {
    if (size > remaining_) {
      remaining_ = 0;
      return false;
    }
    if (size == 0) return true;
    if (!ReadRaw(out, size)) {
      remaining_ = 0;
      return false;
    }
    remaining_ -= size;
    return true;
  }

  bool U8(uint8_t& value) { return Read(&value, 1); }
  bool I8(int8_t& value) { return Read(&value, 1); }
  bool U16(uint16_t& value) {
    uint8_t b[2];
    if (!Read(b, 2)) return false;
    value = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
  }
  bool U32(uint32_t& value) {
    uint8_t b[4];
    if (!Read(b, 4)) return false;
    value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
            (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
  }
  bool I32(int32_t& value) {
    uint32_t bits;
    if (!U32(bits)) return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
  }
  bool F32(float& value) {
    uint32_t bits;
    if (!U32(bits)) return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
  }
  bool Floats(float* values, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      if (!F32(values[i])) return false;
    }
    return true;
  }

  // True when `count` records of `recordSize` bytes can still be in the input, so a count read
  // from the file never sizes an allocation beyond what the file can fill.
  bool CanHold(size_t count, size_t recordSize) const {
    return recordSize == 0 || count <= remaining_ / recordSize;
  }

 protected:
  explicit ByteInput(size_t size) : remaining_(size) {}
  virtual bool ReadRaw(void* out, size_t size) = 0;

 private:
  size_t remaining_;
};

class MemoryInput final : public ByteInput {
 public:
  MemoryInput(const uint8_t* data, size_t size) : ByteInput(data ? size : 0), cursor_(data) {}

 private:
  bool ReadRaw(void* out, size_t size) override {
    std::memcpy(out, cursor_, size);
    cursor_ += size;
    return true;
  }
  const uint8_t* cursor_;
};

// Reads through the C runtime's buffered stream; the size is measured once at the start.
class FileInput final : public ByteInput {
 public:
  FileInput(std::FILE* file, size_t size) : ByteInput(size), file_(file) {}

 private:
  bool ReadRaw(void* out, size_t size) override { return std::fread(out, 1, size, file_) == size; }
  std::FILE* file_;
};

}  // namespace korva::ms3d_detail
