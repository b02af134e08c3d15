// Internal to the notice implementations: the sink set with SetNoticeSink.
#pragma once

#include "platform/notice.h"

namespace korva::platform {

struct NoticeSinkState {
  NoticeSink sink = nullptr;
  void* context = nullptr;
};
extern NoticeSinkState g_noticeSink;

}  // namespace korva::platform
