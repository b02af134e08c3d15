// The entry of korva_windows_host_tests: loads the DLL, captures message boxes, runs the tests.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "message_boxes.h"
#include "plugin_library.h"
#include "wintest.h"
#include "x87_control.h"

int main(int argc, char** argv) {
  korva::wintest::g_initialX87ControlWord = korva::wintest::X87ControlWord();
  const char* filter = nullptr;
  const char* path = "KORVA_Tools.dll";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--filter") == 0 && i + 1 < argc)
      filter = argv[++i];
    else
      path = argv[i];
  }
  // No "cannot find DLL" box from the loader: a failure must be a result, not a wait.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  if (!korva::wintest::CaptureMessageBoxes()) {
    std::printf("cannot hook message boxes\n0 passed, 1 failed\n");
    return 1;
  }
  if (!korva::wintest::LoadPlugin(path, korva::wintest::Plugin())) {
    std::printf("LoadLibraryA(%s) failed, error %lu\n0 passed, 1 failed\n", path, GetLastError());
    return 1;
  }
  return korva::wintest::RunAll(filter);
}
