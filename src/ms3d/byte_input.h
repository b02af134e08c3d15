// Bounded little-endian input for the MS3D reader: every read checks the bytes left first and
// fails, reading nothing, when they do not suffice.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>
#include <memory>
#include <vector>

namespace korva::ms3d_detail {

// Reads come out of a window of bytes already in memory, so a field costs a bounds check and a
// copy; only when the window runs dry does the source refill it (a file, a chunk at a time).
class ByteInput {
 public:
  virtual ~ByteInput() = default;

  size_t Remaining() const { return remaining_; }
  // Bytes consumed so far; after a failed read, the whole input.
  size_t Offset() const { return size_ - remaining_; }
  size_t Size() const { return size_; }

  // Copies `size` bytes to `out`; false (and the input exhausted) when fewer are left.
  bool Read(void* out, size_t size) {
    if (size > remaining_) {
      remaining_ = 0;
      SetWindow(nullptr, nullptr);
      return false;
    }
    if (size <= static_cast<size_t>(windowEnd_ - cursor_)) {
      if (size > 0) std::memcpy(out, cursor_, size);
      cursor_ += size;
      remaining_ -= size;
      return true;
    }
    return ReadAcrossWindow(static_cast<uint8_t*>(out), size);
  }

  // Bytes that can be taken without a refill.
  size_t WindowBytes() const { return static_cast<size_t>(windowEnd_ - cursor_); }

  // Consumes the next `size` (> 0) bytes and returns where they are: in the window when it holds
  // them all, otherwise copied into `scratch`. Null (and the input exhausted) when fewer are left.
  const uint8_t* Take(size_t size, std::vector<uint8_t>& scratch) {
    if (size <= WindowBytes()) {  // window bytes are never past the end
      const uint8_t* view = cursor_;
      cursor_ += size;
      remaining_ -= size;
      return view;
    }
    scratch.resize(size);
    return Read(scratch.data(), size) ? scratch.data() : nullptr;
  }

  bool U8(uint8_t& value) { return Fixed<1>(&value); }
  bool I8(int8_t& value) { return Fixed<1>(&value); }
  bool U16(uint16_t& value) {
    uint8_t b[2];
    if (!Fixed<2>(b)) return false;
    value = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
  }
  bool U32(uint32_t& value) {
    uint8_t b[4];
    if (!Fixed<4>(b)) return false;
    value = LittleEndian32(b);
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

  static uint32_t LittleEndian32(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
  }

  // True when `count` records of `recordSize` bytes can still be in the input, so a count read
  // from the file never sizes an allocation beyond what the file can fill.
  bool CanHold(size_t count, size_t recordSize) const {
    return recordSize == 0 || count <= remaining_ / recordSize;
  }

 protected:
  explicit ByteInput(size_t size) : size_(size), remaining_(size) {}

  void SetWindow(const uint8_t* begin, const uint8_t* end) {
    cursor_ = begin;
    windowEnd_ = end;
  }

  // Refills the window with the next bytes of the source, at most `wanted`; false when none come.
  virtual bool Refill(size_t wanted) = 0;
  // Copies the next `size` bytes of the source straight to `out` (the window is empty then);
  // false when fewer come.
  virtual bool ReadDirect(uint8_t* out, size_t size) = 0;
  // Bytes a window holds at most; larger reads bypass it.
  virtual size_t WindowCapacity() const = 0;

 private:
  // Read with a size known at compile time: the common case inlines to one compare and a copy.
  template <size_t N>
  bool Fixed(void* out) {
    if (N <= static_cast<size_t>(windowEnd_ - cursor_)) {  // window bytes are never past the end
      std::memcpy(out, cursor_, N);
      cursor_ += N;
      remaining_ -= N;
      return true;
    }
    return Read(out, N);
  }

  bool ReadAcrossWindow(uint8_t* out, size_t size) {
    const size_t wanted = size;
    while (size > 0) {
      const size_t available = static_cast<size_t>(windowEnd_ - cursor_);
      if (available > 0) {
        const size_t part = std::min(available, size);
        std::memcpy(out, cursor_, part);
        cursor_ += part;
        out += part;
        size -= part;
        continue;
      }
      // What is left of the input after the bytes of this read already copied.
      const size_t after = remaining_ - (wanted - size);
      const bool delivered = size >= WindowCapacity() ? ReadDirect(out, size)
                                                      : Refill(std::min(after, WindowCapacity()));
      if (!delivered) {
        remaining_ = 0;
        SetWindow(nullptr, nullptr);
        return false;
      }
      if (size >= WindowCapacity()) size = 0;
    }
    remaining_ -= wanted;
    return true;
  }

  size_t size_;
  size_t remaining_;
  const uint8_t* cursor_ = nullptr;
  const uint8_t* windowEnd_ = nullptr;
};

class MemoryInput final : public ByteInput {
 public:
  MemoryInput(const uint8_t* data, size_t size) : ByteInput(data ? size : 0) {
    if (data) SetWindow(data, data + size);
  }

 private:
  // The whole input is the window: Read never needs more than it holds.
  bool Refill(size_t) override { return false; }
  bool ReadDirect(uint8_t*, size_t) override { return false; }
  size_t WindowCapacity() const override { return SIZE_MAX; }
};

// Reads from a source of bytes in order (a file through the C runtime's stream, or one the caller
// reads) in chunks; the size is measured once at the start.
class SourceInput final : public ByteInput {
 public:
  // Fills `out` with up to `size` next bytes; returns the count, fewer only at the source's end.
  using Source = std::function<size_t(uint8_t* out, size_t size)>;

  // Bytes a chunk holds at most.
  static constexpr size_t kChunk = size_t{64} * 1024;

  // The chunk lives on the heap: the host's thread may run the import on a small stack. It is
  // left uninitialised, as every byte of it is read before it is written.
  SourceInput(Source source, size_t size)
      : ByteInput(size),
        source_(std::move(source)),
        chunkSize_(std::min(size, kChunk)),
        chunk_(new uint8_t[chunkSize_]) {}

  // The same, with the source's first `filled` bytes already in `chunk` (of kChunk bytes), read
  // first; `source` goes on from the byte after them.
  SourceInput(Source source, size_t size, std::unique_ptr<uint8_t[]> chunk, size_t filled)
      : ByteInput(size), source_(std::move(source)), chunkSize_(kChunk), chunk_(std::move(chunk)) {
    SetWindow(chunk_.get(), chunk_.get() + std::min({filled, size, kChunk}));
  }

 private:
  bool Refill(size_t wanted) override {
    const size_t got = source_(chunk_.get(), std::min(wanted, chunkSize_));
    if (got == 0) return false;
    SetWindow(chunk_.get(), chunk_.get() + got);
    return true;
  }
  bool ReadDirect(uint8_t* out, size_t size) override { return source_(out, size) == size; }
  size_t WindowCapacity() const override { return chunkSize_; }

  Source source_;
  size_t chunkSize_;
  std::unique_ptr<uint8_t[]> chunk_;
};

}  // namespace korva::ms3d_detail
