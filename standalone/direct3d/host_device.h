// The Direct3D 9 device the standalone host hands out on Windows: a hidden window, Direct3DCreate9
// and CreateDevice, the way a game makes its device.
#pragma once

#include <string>

namespace korva::standalone {

// Whether the next device is created with D3DCREATE_FPU_PRESERVE. Off by default, as a game runs:
// creating the device then leaves the x87 unit of the calling thread at 24-bit precision.
void SetHostDeviceFpuPreserve(bool preserve);

// How the live device was made ("HAL, hardware vertex processing", ...), or why none could be
// made; empty before the first attempt.
std::string HostDeviceDescription();

}  // namespace korva::standalone
