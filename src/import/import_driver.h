// The MilkShape import: one MS3D file becomes a new host object with one limb per group (mesh,
// material, texture), one limb per joint arranged as a skeleton, bones in every group mesh and one
// animation set.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ms3d/ms_model.h"

namespace korva::import {

// Builds object `objectNumber` from the MS3D file at `path` through the host's functions. False,
// with no object left behind, when there is no Direct3D device, the file cannot be read or
// CheckImportable refuses the model (68 stored in the host's error variable, except for a model
// with neither groups nor joints), or the host cannot create the object (the number in use: the
// existing object is left untouched).
bool ImportMs3dObject(const char* path, int32_t objectNumber);

// The script command: ImportMs3dObject, and on failure the notice "Failed to load MS file: <path>"
// under the caption "Error". Never throws.
void LoadMilkshapeCommand(const char* path, int32_t objectNumber) noexcept;

// The same two from the file's `size` bytes at `data`, already read by the caller (a tool that
// reads each input once); `path` still names the file in the notice and places its textures.
bool ImportMs3dObjectFromMemory(const uint8_t* data, size_t size, const char* path,
                                int32_t objectNumber);
void LoadMilkshapeFromMemory(const uint8_t* data, size_t size, const char* path,
                             int32_t objectNumber) noexcept;

// The same two from a source that delivers the file's `size` bytes in order, a piece at a time
// (a tool that keeps the file open rather than holding all of it in memory).
bool ImportMs3dObjectFromSource(const msByteSource& source, size_t size, const char* path,
                                int32_t objectNumber);
void LoadMilkshapeFromSource(const msByteSource& source, size_t size, const char* path,
                             int32_t objectNumber) noexcept;

}  // namespace korva::import
