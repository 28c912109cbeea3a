#include "files/files.h"

#include <system_error>
#include <utility>

#include "files/platform.h"

namespace ordertable::files {

std::filesystem::path TemporaryFileFor(const std::filesystem::path& target) {
  std::filesystem::path temporary = target;
  // A target that is itself a ".tmp" file must not be its own temporary file.
  if (temporary.extension() == ".tmp") return temporary += ".tmp";
  return temporary.replace_extension(".tmp");
}

PendingFile::PendingFile(std::filesystem::path temporary, std::filesystem::path target)
    : temporary_(std::move(temporary)), target_(std::move(target)) {}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : temporary_(std::move(other.temporary_)),
      target_(std::move(other.target_)),
      pending_(std::exchange(other.pending_, false)) {}

PendingFile::~PendingFile() {
  if (pending_) RemoveFile(temporary_);
}

std::optional<PendingFile> PendingFile::Write(const std::filesystem::path& target,
                                              std::initializer_list<std::string_view> parts) {
  std::filesystem::path temporary = TemporaryFileFor(target);
  // A temporary file left by an interrupted run is stale: it never holds the only copy.
  if (!RemoveFile(temporary) || !WriteNewFile(temporary, parts)) return std::nullopt;
  return PendingFile(std::move(temporary), target);
}

bool PendingFile::Commit() {
  if (!pending_ || !Rename(temporary_, target_)) return false;
  pending_ = false;
  return true;
}

bool WriteFileAtomically(const std::filesystem::path& target,
                         std::initializer_list<std::string_view> parts) {
  std::optional<PendingFile> pending = PendingFile::Write(target, parts);
  return pending && pending->Commit();
}

std::vector<std::string> ListOrdinaryFiles(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (IsOrdinaryFile(it->path())) names.push_back(it->path().filename().string());
  }
  return names;
}

}  // namespace ordertable::files
