#include "orders/page_files.h"

#include <optional>
#include <string>

#include "files/files.h"
#include "orders/ascii.h"
#include "orders/text.h"

namespace ordertable {
namespace {

constexpr std::string_view kPagePrefix = "AE_orders_";
constexpr std::string_view kPageSuffix = ".html";
constexpr std::string_view kCaptureName = "AE_order_list.json";

std::string PageFileName(int page) {
  std::string number = std::to_string(page);
  if (number.size() < 2) number.insert(0, 2 - number.size(), '0');
  return std::string(kPagePrefix) + number + std::string(kPageSuffix);
}

}  // namespace

std::filesystem::path CachedPageFile(const std::filesystem::path& folder, int page) {
  return folder / kCacheFolder / PageFileName(page);
}

std::string CachedPageName(int page) {
  return std::string(kCacheFolder) + "/" + PageFileName(page);
}

int CountCachedPages(const std::filesystem::path& folder) {
  int count = 0;
  while (files::IsOrdinaryFile(CachedPageFile(folder, count + 1))) ++count;
  return count;
}

// The digits of a cached page file's name; empty when the name is none.
std::string_view PageNumberOf(std::string_view name) {
  if (name.size() <= kPagePrefix.size() + kPageSuffix.size()) return {};
  if (!ascii::StartsWithIgnoringCase(name, kPagePrefix) ||
      !ascii::EndsWithIgnoringCase(name, kPageSuffix)) {
    return {};
  }
  const std::string_view number =
      name.substr(kPagePrefix.size(), name.size() - kPagePrefix.size() - kPageSuffix.size());
  return ascii::IsDigits(number) ? number : std::string_view();
}

bool IsCachedPageName(std::string_view name) { return !PageNumberOf(name).empty(); }

bool CachedPagesFormOneList(const std::filesystem::path& folder, std::int64_t total) {
  if (total < 1 || CountCachedPages(folder) < total) return false;
  for (int page = 1; page <= total; ++page) {
    const std::optional<std::string> text = files::ReadWholeFile(CachedPageFile(folder, page));
    if (!text) return false;
    const PageCounter counter = ReadPageCounter(*text);
    if (counter.number != page || counter.total != total) return false;
  }
  return true;
}

void RemoveCachedPagesAfter(const std::filesystem::path& folder, std::int64_t last_page) {
  const std::filesystem::path cache = folder / kCacheFolder;
  for (const std::string& name : files::ListOrdinaryFiles(cache)) {
    const std::string_view number = PageNumberOf(name);
    if (number.empty()) continue;
    if (NumericValue(number) > last_page) files::RemoveFile(cache / name);
  }
}

std::filesystem::path StoredCaptureFile(const std::filesystem::path& folder) {
  return folder / kCacheFolder / kCaptureName;
}

std::string StoredCaptureName() {
  return std::string(kCacheFolder) + "/" + std::string(kCaptureName);
}

bool IsStoredCaptureName(std::string_view name) {
  return ascii::EqualsIgnoringCase(name, kCaptureName);
}

bool WriteStoredCapture(const std::filesystem::path& folder, std::string_view text) {
  return files::WriteFileAtomically(StoredCaptureFile(folder), {text});
}

bool WriteCachedPage(const std::filesystem::path& folder, int page, std::string_view page_text) {
  return files::WriteFileAtomically(CachedPageFile(folder, page), {page_text});
}

void ClearCacheFolder(const std::filesystem::path& folder) {
  const std::filesystem::path cache = folder / kCacheFolder;
  files::CreateFolder(cache);
  for (const std::string& name : files::ListOrdinaryFiles(cache)) {
    if (IsCachedPageName(name) || IsStoredCaptureName(name)) files::RemoveFile(cache / name);
  }
}

}  // namespace ordertable
