#include "message_boxes.h"

#include <windows.h>

#include <algorithm>

namespace korva::wintest {
namespace {
HHOOK g_hook = nullptr;
std::vector<ShownBox> g_boxes;
std::vector<HWND> g_open;  // boxes recorded and told to close, until they are destroyed
UINT_PTR g_retryTimer = 0;

std::string WindowText(HWND window) {
  char text[4096] = {};
  const int length = GetWindowTextA(window, text, sizeof text);
  return std::string(text, length > 0 ? length : 0);
}

// The text of a message box sits in its static control 0xFFFF; a box built otherwise gives the
// first non-empty static text.
std::string BoxText(HWND box) {
  if (HWND text = GetDlgItem(box, 0xFFFF)) return WindowText(text);
  std::string found;
  for (HWND child = GetWindow(box, GW_CHILD); child && found.empty();
       child = GetWindow(child, GW_HWNDNEXT)) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0) found = WindowText(child);
  }
  return found;
}

bool IsDialog(HWND window) {
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  // #32770 is the dialog class every message box is made of.
  return lstrcmpA(className, "#32770") == 0;
}

// Closing a box while it is still being shown can stall the window system (seen under Wine
// without a window manager), so boxes are closed from their own modal loop, where thread timers
// run, once they are up; the request repeats until the box is gone.
void CALLBACK CloseOpenBoxes(HWND, UINT, UINT_PTR, DWORD) {
  g_open.erase(
      std::remove_if(g_open.begin(), g_open.end(), [](HWND box) { return !IsWindow(box); }),
      g_open.end());
  for (HWND box : g_open) PostMessageA(box, WM_COMMAND, IDOK, 0);
  if (g_open.empty() && g_retryTimer) {
    KillTimer(nullptr, g_retryTimer);
    g_retryTimer = 0;
  }
}

LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE && IsDialog(window) &&
      std::find(g_open.begin(), g_open.end(), window) == g_open.end()) {
    g_boxes.push_back({WindowText(window), BoxText(window)});
    g_open.push_back(window);
    if (!g_retryTimer) g_retryTimer = SetTimer(nullptr, 0, 50, CloseOpenBoxes);
  } else if (code == HCBT_DESTROYWND) {
    g_open.erase(std::remove(g_open.begin(), g_open.end(), window), g_open.end());
  }
  return CallNextHookEx(g_hook, code, wParam, lParam);
}
}  // namespace

bool CaptureMessageBoxes() {
  if (!g_hook) g_hook = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
  return g_hook != nullptr;
}

std::vector<ShownBox> TakeMessageBoxes() {
  std::vector<ShownBox> taken;
  taken.swap(g_boxes);
  return taken;
}

std::string Describe(const std::vector<ShownBox>& boxes) {
  std::string out;
  for (const ShownBox& box : boxes) {
    out += "\n    " + box.caption + ": ";
    for (char c : box.text) {
      if (c == '\r')
        out += "\\r";
      else if (c == '\n')
        out += "\\n";
      else
        out += c;
    }
  }
  return boxes.empty() ? "\n    (no boxes)" : out;
}

}  // namespace korva::wintest
