#include "orders/file_io.h"

#include <cstdio>
#include <system_error>

#include "orders/file_open.h"

namespace ordertable {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::FILE* file = OpenWithoutSharing(path, false);
  if (file == nullptr) return std::nullopt;
  std::string bytes;
  char buffer[1 << 16];
  for (;;) {
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
    bytes.append(buffer, got);
    if (got < sizeof buffer) break;
  }
  // A folder opens on some systems and then fails to read: that is no file content either.
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return bytes;
}

// Deletes first because a write must never leave bytes of an earlier, longer version. A write
// that fails part way removes what it wrote, so no reader ever takes a cut-off file.
bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::error_code error;
  if (std::filesystem::is_directory(std::filesystem::symlink_status(path, error))) return false;
  std::filesystem::remove(path, error);
  std::FILE* file = OpenWithoutSharing(path, true);
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (written && closed) return true;
  std::filesystem::remove(path, error);
  return false;
}

}  // namespace ordertable
