// Linked into every test program: it works in a temporary folder of its own, made before the
// first test and removed with everything in it when the program ends, so that programs running
// in parallel share no scratch files and none are left in the shared temporary folder.
// GoogleTest's TempDir() (TEST_TMPDIR) and std::filesystem::temp_directory_path() (TMPDIR) name
// it, and so do the korva processes the tests start.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace {

class OwnTempFolder {
 public:
  OwnTempFolder() {
    const char* shared = ::getenv("TMPDIR");
    std::string pattern = std::string(shared && *shared ? shared : "/tmp") + "/korva-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return;  // then the shared folder, as before
    path_ = pattern;
    ::setenv("TEST_TMPDIR", (path_ + "/").c_str(), 1);
    ::setenv("TMPDIR", path_.c_str(), 1);
  }
  ~OwnTempFolder() {
    // A child process a test forked that ends through exit() leaves the folder to its parent.
    if (path_.empty() || ::getpid() != owner_) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  OwnTempFolder(const OwnTempFolder&) = delete;
  OwnTempFolder& operator=(const OwnTempFolder&) = delete;

 private:
  std::string path_;
  pid_t owner_ = ::getpid();
};

const OwnTempFolder g_ownTempFolder;

}  // namespace
