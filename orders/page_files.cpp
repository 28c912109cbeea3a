#include "orders/page_files.h"

#include <optional>
#include <string>

#include "files/files.h"
#include "orders/text.h"

namespace ordertable {
namespace {

constexpr std::string_view kPagePrefix = "AE_orders_";
constexpr std::string_view kPageSuffix = ".html";

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

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
  if (!SameIgnoringCase(name.substr(0, kPagePrefix.size()), kPagePrefix) ||
      !SameIgnoringCase(name.substr(name.size() - kPageSuffix.size()), kPageSuffix)) {
    return {};
  }
  const std::string_view number =
      name.substr(kPagePrefix.size(), name.size() - kPagePrefix.size() - kPageSuffix.size());
  if (number.find_first_not_of("0123456789") != std::string_view::npos) return {};
  return number;
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

bool WriteCachedPage(const std::filesystem::path& folder, int page, std::string_view page_text) {
  return files::WriteFileAtomically(CachedPageFile(folder, page), {page_text});
}

void ClearCacheFolder(const std::filesystem::path& folder) {
  const std::filesystem::path cache = folder / kCacheFolder;
  files::CreateFolder(cache);
  for (const std::string& name : files::ListOrdinaryFiles(cache)) {
    if (IsCachedPageName(name)) files::RemoveFile(cache / name);
  }
}

}  // namespace ordertable
