#include "support/host_session.h"

#include <filesystem>
#include <system_error>

#include "dbo/object_files.h"
#include "dbo/result_codes.h"
#include "host/exports.h"
#include "support/cli_error.h"
#include "support/file_kind.h"
#include "support/ms3d_report.h"

namespace korva::cli {
namespace fs = std::filesystem;

namespace {

// The notice the import shows when it fails, caption "Error".
std::string ImportFailureText(const standalone::StandaloneHost& host) {
  for (const standalone::Notice& notice : host.notices()) {
    if (notice.caption == "Error") return FoldLineBreaks(notice.text);
  }
  return {};
}

}  // namespace

std::string NoticeLine(const std::string& caption, const std::string& text) {
  return caption + ": " + FoldLineBreaks(text);
}

std::string FoldLineBreaks(const std::string& text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += ' ';
    } else {
      line += c;
    }
  }
  return line;
}

HostSession::HostSession(FILE* noticeStream) : noticeStream_(noticeStream) {
  host_.Bind();
}

int32_t HostSession::ImportMs3d(const std::string& path, int32_t number) {
  if (host_.GetObject(number)) throw FileError(path, "object number in use");
  host_.SetErrorCode(0);
  LoadMilkshape(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(path.c_str())), number);
  const std::string failure = ImportFailureText(host_);
  if (!host_.GetObject(number) || !failure.empty()) {
    host_.DeleteObject(number);
    DropNotices();
    // The export says only yes or no; the reader's account and the import's own check, asked
    // again, say why in the words of `korva check`. What they do not explain is the host's.
    msModel model;
    Ms3dAccount account;
    LoadMs3dModel(path, &model, &account);
    RequireImportable(path, model);
    throw FileError(path, "import failed" + (failure.empty() ? std::string() : ": " + failure));
  }
  return number;
}

int32_t HostSession::LoadDbo(const std::string& path, int32_t number,
                             std::vector<dbo::SkippedBlock>* skipped) {
  ReadWholeFile(path);  // a clear message for a missing file or a folder
  sObject* loaded = nullptr;
  // The same loader as LoadDBOEx, asked also for the blocks it passes over, which the export has
  // no way to hand out.
  const int32_t result = dbo::LoadObjectFile(path.c_str(), &loaded, skipped);
  if (result != dbo::kLoadSucceeded || !loaded) {
    if (loaded) standalone::StandaloneHost::ReleaseWholeObject(loaded);
    DropNotices();
    if (result == dbo::kLoadFileUnreadable) throw FileError(path, "cannot be opened for reading");
    throw FileError(path, "not a well-formed DBO file (bad header or damaged content)");
  }
  if (!host_.AdoptObject(number, loaded)) {
    standalone::StandaloneHost::ReleaseWholeObject(loaded);
    throw FileError(path, "the host refused the loaded object");
  }
  return number;
}

int32_t HostSession::LoadAny(const std::string& path, int32_t number,
                             std::vector<dbo::SkippedBlock>* skipped) {
  if (DetectFileKind(path) == FileKind::kMs3d) return ImportMs3d(path, number);
  return LoadDbo(path, number, skipped);
}

uint64_t HostSession::SaveDbo(int32_t number, const std::string& path) {
  sObject* object = host_.GetObject(number);
  if (!object) throw FileError(path, "nothing to save");

  const fs::path target(path);
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    throw FileError(path, "output folder " + folder.string() + " does not exist");
  }
  if (fs::is_directory(target, error)) throw FileError(path, "is a folder, not a file");

  fs::path temporary = target;
  temporary += ".korva-partial";
  std::string temporaryText = temporary.string();
  const int32_t result = SaveDBOEx(temporaryText.data(), object);
  const auto discard = [&] { fs::remove(temporary, error); };
  if (result == dbo::kSaveCannotConvert) {
    discard();
    throw FileError(path, "the object cannot be converted to a DBO block");
  }
  if (result != dbo::kSaveSucceeded) {
    discard();
    throw FileError(path, "cannot be written");
  }
  const uintmax_t size = fs::file_size(temporary, error);
  if (error) {
    discard();
    throw FileError(path, "cannot be written");
  }
  fs::rename(temporary, target, error);
  if (error) {
    discard();
    throw FileError(path, "cannot replace the file: " + error.message());
  }
  return size;
}

void HostSession::PrintNotices() {
  if (noticeStream_) {
    for (const standalone::Notice& notice : host_.notices()) {
      std::fprintf(noticeStream_, "%s\n", NoticeLine(notice.caption, notice.text).c_str());
    }
    std::fflush(noticeStream_);
  }
  host_.ClearNotices();
}

}  // namespace korva::cli
