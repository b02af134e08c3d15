#include "platform/notice.h"
#include "platform/notice_sink_state.h"

namespace korva::platform {

NoticeSinkState g_noticeSink;

void SetNoticeSink(NoticeSink sink, void* context) {
  g_noticeSink.sink = sink;
  g_noticeSink.context = context;
}

}  // namespace korva::platform
