#include "standalone/standalone_host.h"

namespace korva::standalone {

struct StandaloneHost::State {
  CoreData core{};
  int32_t errorCode = 0;
  std::vector<Notice> notices;
};

StandaloneHost::StandaloneHost() : state_(new State) {}
StandaloneHost::~StandaloneHost() {
  delete state_;
}
CoreData* StandaloneHost::coreData() {
  return &state_->core;
}
void StandaloneHost::Bind() {}
sObject* StandaloneHost::GetObject(int32_t) const {
  return nullptr;
}
bool StandaloneHost::AdoptObject(int32_t, sObject*) {
  return false;
}
sObject* StandaloneHost::DetachObject(int32_t) {
  return nullptr;
}
bool StandaloneHost::DeleteObject(int32_t) {
  return false;
}
std::vector<int32_t> StandaloneHost::ObjectNumbers() const {
  return {};
}
const std::vector<Notice>& StandaloneHost::notices() const {
  return state_->notices;
}
void StandaloneHost::ClearNotices() {
  state_->notices.clear();
}
void StandaloneHost::SetNoticeEcho(FILE*) {}
int32_t StandaloneHost::errorCode() const {
  return state_->errorCode;
}
void StandaloneHost::SetErrorCode(int32_t value) {
  state_->errorCode = value;
}
void StandaloneHost::SetDeviceAvailable(bool) {}
void* StandaloneHost::device() const {
  return nullptr;
}
int StandaloneHost::liveTextureCount() const {
  return 0;
}
bool StandaloneHost::MeshBounds(const sMesh*, float[3], float*) const {
  return false;
}
bool StandaloneHost::ObjectBounds(int32_t, float[3], float*) const {
  return false;
}
void StandaloneHost::ReleaseWholeObject(sObject*) {}

}  // namespace korva::standalone
