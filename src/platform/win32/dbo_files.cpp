#include "platform/dbo_files.h"

#include <windows.h>

#include <string>

#include "model/host_heap.h"

namespace korva::platform {
namespace {
int64_t g_bytesBeforeFailure = -1;

bool WriteAll(HANDLE file, const uint8_t* data, uint32_t size) {
  while (size > 0) {
    DWORD chunk = size;
    if (g_bytesBeforeFailure >= 0) {
      if (g_bytesBeforeFailure == 0) return false;
      if (chunk > static_cast<uint64_t>(g_bytesBeforeFailure)) {
        chunk = static_cast<DWORD>(g_bytesBeforeFailure);
      }
    }
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
    if (g_bytesBeforeFailure >= 0) g_bytesBeforeFailure -= written;
    data += written;
    size -= written;
  }
  return true;
}

bool ReadAll(HANDLE file, uint8_t* data, uint32_t size) {
  while (size > 0) {
    DWORD got = 0;
    if (!ReadFile(file, data, size, &got, nullptr) || got == 0) return false;
    data += got;
    size -= got;
  }
  return true;
}

HANDLE CreateTemporaryBeside(const std::string& path, std::string& tempPath) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath =
        path + ".tmp." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(counter++);
    HANDLE file = CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}
}  // namespace

bool ReadWholeFile(const char* path, uint8_t** block, uint32_t* size) {
  if (!path || !block || !size) return false;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  const DWORD length = GetFileSize(file, &high);
  if ((length == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0) {
    CloseHandle(file);
    return false;
  }
  auto* data = static_cast<uint8_t*>(HostAllocate(length));
  if (!data || !ReadAll(file, data, length)) {
    HostFree(data);
    CloseHandle(file);
    return false;
  }
  CloseHandle(file);
  *block = data;
  *size = length;
  return true;
}

bool WriteWholeFileAtomically(const char* path, const void* data, uint32_t size) {
  if (!path || (!data && size != 0)) return false;
  std::string tempPath;
  HANDLE file = CreateTemporaryBeside(path, tempPath);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, static_cast<const uint8_t*>(data), size);
  ok = ok && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  ok =
      ok && MoveFileExA(tempPath.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileA(tempPath.c_str());
  return ok;
}

void SetWriteFailureForTesting(int64_t bytesBeforeFailure) {
  g_bytesBeforeFailure = bytesBeforeFailure < 0 ? -1 : bytesBeforeFailure;
}

}  // namespace korva::platform
