// The overlap check. Input = [flags][page length, 2 bytes little-endian][page][document]. The
// page is stored as cached page file 1 and the document as the table document in a scratch
// folder (the check only works on files), then the answer is compared with a reading of the
// page done here line by line with a plain search of the document for each key comment.
// Flag 1 adds the key comment of the page's first order to the document, so that a true
// answer is due; flag 2 leaves the table document absent, which must read as an empty one.

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "files/files.h"
#include "fuzz/fuzz_check.h"
#include "orders/page_files.h"
#include "table/document.h"
#include "table/merge.h"
#include "table/overlap.h"

namespace {

namespace fs = std::filesystem;

// A folder of its own for this process run, removed when the run ends normally.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "ordertable-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
    fs::create_directory(path_ / ordertable::kCacheFolder);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string Lowered(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// The lines of a page file that a marker search examines: a CR (with an LF right after it)
// ends a line, 0x1A ends the data, and the line whose reading reaches the end is not looked at.
std::vector<std::string_view> ExaminedLines(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\x1a'));
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t cr = bytes.find('\r', start);
    if (cr == std::string_view::npos) break;
    std::size_t next = cr + 1;
    if (next < bytes.size() && bytes[next] == '\n') ++next;
    if (next >= bytes.size()) break;
    lines.push_back(bytes.substr(start, cr - start));
    start = next;
  }
  return lines;
}

// The order ids that the check reads from the page, in page order: the text after the first
// ">" up to the next "<" of each "info-body" line that follows an "order-info" line.
std::vector<std::string> OrderIds(std::string_view page) {
  std::vector<std::string> ids;
  bool after_order_info = false;
  for (std::string_view line : ExaminedLines(page)) {
    const std::string lower = Lowered(line);
    if (!after_order_info) {
      after_order_info = lower.find("order-info") != std::string::npos;
      continue;
    }
    if (lower.find("info-body") == std::string::npos) continue;
    after_order_info = false;
    const std::size_t open = line.find('>');
    const std::size_t close = open == std::string_view::npos ? open : line.find('<', open + 1);
    ids.emplace_back(close == std::string_view::npos ? std::string_view()
                                                     : line.substr(open + 1, close - open - 1));
  }
  return ids;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ordertable;
  static ScratchFolder scratch;
  if (size < 3) return 0;
  std::string_view input = fuzz::AsText(data, size);
  const unsigned flags = data[0];
  const std::size_t page_length = data[1] | (std::size_t{data[2]} << 8);
  input.remove_prefix(3);
  const std::string_view page = fuzz::TakeFront(input, page_length);
  std::string document(input);

  const std::vector<std::string> ids = OrderIds(page);
  const bool add_first_order = (flags & 1) != 0 && !ids.empty();
  if (add_first_order) document += "\r\n<!--" + ids.front() + "-->\r\n";
  const bool no_document = (flags & 2) != 0 && !add_first_order;

  const fs::path table = scratch.path() / kTableDocument;
  if (no_document) {
    std::error_code ignored;
    fs::remove(table, ignored);
    document.clear();
  } else {
    FUZZ_CHECK(files::WriteFileAtomically(table, {document}));
  }
  FUZZ_CHECK(files::WriteFileAtomically(CachedPageFile(scratch.path(), 1), {page}));

  bool expected = false;
  for (const std::string& id : ids) expected = expected || DocumentHoldsOrder(document, id);
  const bool overlaps = PageOverlapsTable(scratch.path(), 1);
  FUZZ_CHECK(overlaps == expected);
  if (add_first_order) FUZZ_CHECK(overlaps);
  // The check changes no file.
  FUZZ_CHECK(no_document ? !fs::exists(table) : files::ReadWholeFile(table) == document);
  return 0;
}
