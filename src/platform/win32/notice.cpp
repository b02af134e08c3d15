#include "platform/notice.h"

#include <windows.h>

#include "platform/notice_sink_state.h"

namespace korva::platform {

void ShowNotice(const char* text, const char* caption) {
  if (g_noticeSink.sink) {
    g_noticeSink.sink(caption, text, g_noticeSink.context);
    return;
  }
  MessageBoxA(nullptr, text, caption, MB_OK);
}

}  // namespace korva::platform
