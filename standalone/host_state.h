// Internal to the standalone host: the state its host functions share. One host is alive at a
// time, so the free functions reach it through g_host (null while no host is alive).
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

#include "platform/notice_sink_state.h"
#include "standalone/standalone_host.h"

namespace korva::standalone {

struct Bounds {
  float centre[3];
  float radius;
};

struct StandaloneHost::State {
  CoreData* core = nullptr;  // kCoreDataBytes zero bytes with the six slots filled
  int32_t errorCode = 0;
  std::map<int32_t, sObject*> objects;
  std::vector<Notice> notices;
  FILE* echo = nullptr;
  platform::NoticeSinkState previousSink;
  bool deviceAvailable = true;
  void* device = nullptr;            // the OS-specific texture device, or the image one
  bool imageDevice = false;          // device is the image texture device made by kImageFiles
  std::vector<void*> returnStrings;  // blocks handed out by AllocateReturnString
  std::map<const sMesh*, Bounds> meshBounds;
  std::map<int32_t, Bounds> objectBounds;
};

extern StandaloneHost::State* g_host;

// The whole block the host hands over: larger than the slots the plug-in reads, as the real one is.
constexpr size_t kCoreDataBytes = 0x100;

// The object with that number in the live host, or null.
sObject* FindObject(int32_t number);

// Forgets every bounds entry of the object's meshes (before they are freed).
void ForgetBounds(int32_t number, const sObject* object);

}  // namespace korva::standalone
