#include "standalone/direct3d/host_device.h"

#include <d3d9.h>

#include "standalone/host_platform.h"
#include "standalone/win32/windows_api.h"

namespace korva::standalone {
namespace {
const char kWindowClass[] = "KorvaStandaloneHostWindow";

// One host lives at a time, so one device with its window and Direct3D object.
struct LiveDevice {
  HWND window = nullptr;
  IDirect3D9* direct3d = nullptr;
  IDirect3DDevice9* device = nullptr;
};
LiveDevice g_live;
bool g_fpuPreserve = false;
std::string g_description;

HWND CreateHiddenWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);  // fails harmlessly when a previous host registered it
  return CreateWindowA(kWindowClass, "standalone host", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr,
                       nullptr, windowClass.hInstance, nullptr);
}

struct Attempt {
  D3DDEVTYPE type;
  DWORD vertexProcessing;
  const char* description;
};

// The best device first; a machine without hardware acceleration falls through to the others.
const Attempt kAttempts[] = {
    {D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, "HAL, hardware vertex processing"},
    {D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, "HAL, software vertex processing"},
    {D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, "REF, software vertex processing"},
};
}  // namespace

void SetHostDeviceFpuPreserve(bool preserve) {
  g_fpuPreserve = preserve;
}

std::string HostDeviceDescription() {
  return g_description;
}

void* CreateHostDevice() {
  DestroyHostDevice(g_live.device);
  g_live.window = CreateHiddenWindow();
  if (!g_live.window) {
    g_description = "no window: error " + std::to_string(GetLastError());
    return nullptr;
  }
  g_live.direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!g_live.direct3d) {
    g_description = "Direct3DCreate9 failed";
    return nullptr;
  }
  D3DPRESENT_PARAMETERS present = {};
  present.Windowed = TRUE;
  present.SwapEffect = D3DSWAPEFFECT_DISCARD;
  present.BackBufferFormat = D3DFMT_UNKNOWN;
  present.BackBufferWidth = 64;
  present.BackBufferHeight = 64;
  present.hDeviceWindow = g_live.window;
  const DWORD fpu = g_fpuPreserve ? D3DCREATE_FPU_PRESERVE : 0;
  std::string failures;
  for (const Attempt& attempt : kAttempts) {
    D3DPRESENT_PARAMETERS parameters = present;
    const HRESULT result =
        g_live.direct3d->CreateDevice(D3DADAPTER_DEFAULT, attempt.type, g_live.window,
                                      attempt.vertexProcessing | fpu, &parameters, &g_live.device);
    if (SUCCEEDED(result) && g_live.device) {
      g_description = std::string(attempt.description) + (g_fpuPreserve ? ", FPU preserved" : "");
      return g_live.device;
    }
    char code[16];
    wsprintfA(code, "%08lX", static_cast<unsigned long>(result));
    failures += std::string(failures.empty() ? "" : "; ") + attempt.description + ": " + code;
  }
  g_description = "CreateDevice failed (" + failures + ")";
  return nullptr;
}

// Textures the plug-in made hold their own references to the device; those the host objects still
// hold are the host's to release, and a process ending with them alive loses nothing.
void DestroyHostDevice(void*) {
  if (g_live.device) g_live.device->Release();
  if (g_live.direct3d) g_live.direct3d->Release();
  if (g_live.window) DestroyWindow(g_live.window);
  g_live = LiveDevice{};
}

// The utility library makes the textures on this device, not the host: they are not counted.
int HostDeviceLiveTextures(const void*) {
  return -1;
}

// Direct3D decides how a texture is made; there is nothing to skip.
void SetHostDeviceDecodesPixels(void*, bool) {}

}  // namespace korva::standalone
