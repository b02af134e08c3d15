#include "platform/dbo_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "model/host_heap.h"

namespace korva::platform {
namespace {
int64_t g_bytesBeforeFailure = -1;

// write(2) until every byte is out; false on any error (including the test's injected one).
bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    size_t chunk = size;
    if (g_bytesBeforeFailure >= 0) {
      if (g_bytesBeforeFailure == 0) {
        errno = ENOSPC;
        return false;
      }
      if (chunk > static_cast<uint64_t>(g_bytesBeforeFailure)) {
        chunk = static_cast<size_t>(g_bytesBeforeFailure);
      }
    }
    const ssize_t written = ::write(fd, data, chunk);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) return false;
    if (g_bytesBeforeFailure >= 0) g_bytesBeforeFailure -= written;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool ReadAll(int fd, uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t got = ::read(fd, data, size);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return false;  // the file shrank under us
    data += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

// A fresh file beside `path`; its name is stored in `tempPath`. -1 when none can be made.
int CreateTemporaryBeside(const std::string& path, std::string& tempPath) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}
}  // namespace

bool ReadWholeFile(const char* path, uint8_t** block, uint32_t* size) {
  if (!path || !block || !size) return false;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
      static_cast<uint64_t>(info.st_size) > UINT32_MAX) {
    ::close(fd);
    return false;
  }
  const auto length = static_cast<size_t>(info.st_size);
  auto* data = static_cast<uint8_t*>(HostAllocate(length));
  if (!data || !ReadAll(fd, data, length)) {
    HostFree(data);
    ::close(fd);
    return false;
  }
  ::close(fd);
  *block = data;
  *size = static_cast<uint32_t>(length);
  return true;
}

bool WriteWholeFileAtomically(const char* path, const void* data, uint32_t size) {
  if (!path || (!data && size != 0)) return false;
  std::string tempPath;
  const int fd = CreateTemporaryBeside(path, tempPath);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, static_cast<const uint8_t*>(data), size);
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && std::rename(tempPath.c_str(), path) == 0;
  if (!ok) ::unlink(tempPath.c_str());
  return ok;
}

void SetWriteFailureForTesting(int64_t bytesBeforeFailure) {
  g_bytesBeforeFailure = bytesBeforeFailure < 0 ? -1 : bytesBeforeFailure;
}

}  // namespace korva::platform
