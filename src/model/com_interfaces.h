// Calls into objects made by the host's compiler: COM interfaces and the mesh's effect object.
#pragma once

namespace korva {

// Calls Release (third slot of the interface, stdcall) on a COM interface. Null is allowed.
void ReleaseComInterface(void* comInterface);

// Destroys and frees a host effect object through its scalar deleting destructor (first virtual
// slot, thiscall, flag 1). Null is allowed.
void DeleteEffectObject(void* effect);

}  // namespace korva
