// korva's operator new and delete: blocks of the C heap, as the standard library's own, told to the
// Draco decoder's budget (draco_primitive.h), which holds the library to what the asset can
// justify while it decodes a stream.
#include <cstddef>
#include <cstdlib>
#include <new>

#include "gltf/decode/draco_primitive.h"

namespace {

void* TakeBlock(size_t bytes) noexcept {
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block && !korva::gltf::decode::DracoDecodeTakes(block)) {
    std::free(block);
    return nullptr;
  }
  return block;
}

void* TakeBlockOrThrow(size_t bytes) {
  void* block = TakeBlock(bytes);
  if (!block) throw std::bad_alloc();
  return block;
}

void ReleaseBlock(void* block) noexcept {
  if (!block) return;
  korva::gltf::decode::DracoDecodeReleases(block);
  std::free(block);
}

}  // namespace

void* operator new(size_t bytes) {
  return TakeBlockOrThrow(bytes);
}
void* operator new[](size_t bytes) {
  return TakeBlockOrThrow(bytes);
}
void* operator new(size_t bytes, const std::nothrow_t&) noexcept {
  return TakeBlock(bytes);
}
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept {
  return TakeBlock(bytes);
}
void operator delete(void* block) noexcept {
  ReleaseBlock(block);
}
void operator delete[](void* block) noexcept {
  ReleaseBlock(block);
}
void operator delete(void* block, size_t) noexcept {
  ReleaseBlock(block);
}
void operator delete[](void* block, size_t) noexcept {
  ReleaseBlock(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  ReleaseBlock(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  ReleaseBlock(block);
}
