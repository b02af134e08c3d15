#include "platform/notice.h"

#include <cstdio>

#include "platform/notice_sink_state.h"

namespace korva::platform {

void ShowNotice(const char* text, const char* caption) {
  if (g_noticeSink.sink) {
    g_noticeSink.sink(caption, text, g_noticeSink.context);
    return;
  }
  std::fprintf(stderr, "%s: %s\n", caption, text);
}

}  // namespace korva::platform
