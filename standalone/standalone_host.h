// The standalone host: our own small implementation of the host engine's services, so the plug-in
// runs without the engine. It owns a CoreData block whose module slots lead to its host functions,
// an object table keyed by object number, a texture device, the return strings and the error
// variable. The host functions are free functions, so at most one StandaloneHost is alive at a
// time.
//
// CreateNewObject with a frame count of 0 (or less) refuses and creates nothing: an object without
// a root frame has nowhere to hang limbs, and every caller asks for at least one frame.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "host/binding/core_data.h"
#include "model/object.h"

// <windows.h> makes GetObject a macro (GetObjectA): in a file that saw it first, calls of the
// member below would name a function that does not exist.
#ifdef GetObject
#undef GetObject
#endif

namespace korva::standalone {

struct Notice {
  std::string caption;
  std::string text;
};

// The device the host hands out. kSystem: the system's (on Windows a Direct3D 9 device, which
// needs a display; without Direct3D the image texture device). kImageFiles: the image texture
// device everywhere, which decodes image files itself and needs no display.
enum class HostDevice { kSystem, kImageFiles };

class StandaloneHost {
 public:
  // Builds the CoreData block and the module symbol tables; installs a notice sink that collects
  // every notice (the previous sink comes back at destruction). Throws std::logic_error while
  // another host is alive.
  explicit StandaloneHost(HostDevice device = HostDevice::kSystem);
  // Releases every object, every texture and every return string; restores the notice sink.
  ~StandaloneHost();

  StandaloneHost(const StandaloneHost&) = delete;
  StandaloneHost& operator=(const StandaloneHost&) = delete;

  CoreData* coreData();

  // Hands coreData() to the plug-in linked into this program through ReceiveCoreDataPtr, the way
  // the host does. A program that loads the plug-in as a library calls the library's export
  // with coreData() instead.
  void Bind();

  // The object with that number, or null.
  sObject* GetObject(int32_t number) const;

  // Takes over an object the DBO reader built: builds its mesh list, frame list, limb numbers and
  // the two leading counts from the frame tree (depth-first, child before sibling), and links each
  // frame below the root to its parent as the host does. False, and the object not taken, when the
  // number is not positive or in use, or the object is null.
  bool AdoptObject(int32_t number, sObject* object);

  // Gives up ownership of the object (the caller must release it), or null.
  sObject* DetachObject(int32_t number);

  // Releases the whole object; false when no object has that number.
  bool DeleteObject(int32_t number);

  // Numbers of all live objects, ascending.
  std::vector<int32_t> ObjectNumbers() const;

  const std::vector<Notice>& notices() const;
  void ClearNotices();

  // Also prints each notice as "Caption: text" (line breaks folded to spaces); null turns it off.
  void SetNoticeEcho(FILE* stream);

  // The host's error variable (the plug-in stores 68 there when a model file cannot be read).
  int32_t errorCode() const;
  void SetErrorCode(int32_t value);

  // false: GetDirect3DDevice returns null (takes effect at the next Bind/RefreshD3D).
  void SetDeviceAvailable(bool available);

  // The device GetDirect3DDevice hands out: the image texture device on Linux or with
  // kImageFiles (never null while the host lives); otherwise on Windows a Direct3D 9 device, null
  // when none could be created.
  void* device() const;

  // Textures created by the image texture device and not yet released; -1 for a Direct3D
  // device, where the utility library makes them and the host does not count them.
  int liveTextureCount() const;

  // false: textures made from files know their size and hold no pixels, for programs that only
  // need to know whether each texture loads (the import records the same either way). A file
  // that is whole loads the same either way; a damaged one whose header reads still loads
  // without its pixels. Only the image texture device decodes; on by default.
  void SetTexturePixelsDecoded(bool decoded);

  // The bounds CalculateMeshBounds / SetNewObjectFinalProperties computed last (host state, not
  // saved): centre and radius; false when none were computed for that mesh / object.
  bool MeshBounds(const sMesh* mesh, float centre[3], float* radius) const;
  bool ObjectBounds(int32_t number, float centre[3], float* radius) const;

  // Releases a whole object as the host does: the frame tree, animation, custom data, meshes of
  // the mesh list no longer attached to a frame of the tree, both lists and the record itself.
  // Null is allowed. Constant stack space whatever the depth of the data.
  static void ReleaseWholeObject(sObject* object);

  struct State;  // internal, shared with the host functions

 private:
  State* state_;
};

}  // namespace korva::standalone
