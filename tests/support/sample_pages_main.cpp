// ordertable-sample-pages: writes generated order-list page sources, as the browser's source
// view shows them (not cleaned), into a folder as page_01.html, page_02.html, ...

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "files/files.h"
#include "tests/support/generator_parts.h"
#include "tests/support/order_pages.h"

namespace {

using namespace ordertable::test;

constexpr const char* kUsage =
    "Usage: ordertable-sample-pages OUT_DIR [--pages P] [--orders-per-page K] [--first-id ID]\n"
    "                               [--seed S] [--crlf]\n"
    "Writes P generated order-list page sources (default 3), K orders each (default 10),\n"
    "into OUT_DIR as page_01.html, page_02.html, ... The first order has the id ID\n"
    "(default 8012000000000000) and the ids grow by one down the list. --crlf breaks lines\n"
    "with CR LF instead of LF.\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "ordertable-sample-pages: %s\n%s", message.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path out_dir;
  std::int64_t pages = 3;
  std::int64_t per_page = 10;
  std::int64_t first_id = 8012000000000000;
  std::int64_t seed = 1;
  bool crlf = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto number = [&](std::int64_t min, std::int64_t& value) {
      return i + 1 < argc && ParseNumber(argv[++i], min, value);
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--pages") {
      if (!number(1, pages) || pages > 999) return Fail("--pages needs a number from 1 to 999");
    } else if (arg == "--orders-per-page") {
      if (!number(1, per_page) || per_page > 10000) {
        return Fail("--orders-per-page needs a number from 1 to 10000");
      }
    } else if (arg == "--first-id") {
      if (!number(0, first_id)) return Fail("--first-id needs a number");
    } else if (arg == "--seed") {
      if (!number(0, seed)) return Fail("--seed needs a number");
    } else if (arg == "--crlf") {
      crlf = true;
    } else if (arg.starts_with("-") || !out_dir.empty()) {
      return Fail("unexpected argument: " + arg);
    } else {
      out_dir = arg;
    }
  }
  if (out_dir.empty()) return Fail("no output folder given");

  std::error_code error;
  std::filesystem::create_directories(out_dir, error);
  const std::vector<TestOrder> orders =
      MakeOrders(static_cast<int>(pages * per_page), first_id, static_cast<std::uint32_t>(seed));
  std::vector<PageSpec> page_specs = SplitIntoPages(orders, static_cast<int>(per_page));
  for (PageSpec& page_spec : page_specs) {
    page_spec.line_breaks = crlf ? LineBreaks::kCrLf : LineBreaks::kLf;
    char name[32];
    std::snprintf(name, sizeof name, "page_%02d.html", page_spec.page);
    const std::filesystem::path path = out_dir / name;
    if (!ordertable::files::WriteFileAtomically(path, {BuildPageSource(page_spec)})) {
      std::fprintf(stderr, "ordertable-sample-pages: cannot write %s\n", path.string().c_str());
      return 1;
    }
    std::printf("%s\n", path.string().c_str());
  }
  return 0;
}
