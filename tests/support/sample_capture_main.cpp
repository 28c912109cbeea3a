// ordertable-sample-capture: writes a generated HAR of today's order page, as the browser's
// developer tools save it, for trying the command-line tool and for the end-to-end and
// browser tests.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "files/files.h"
#include "tests/support/generator_parts.h"
#include "tests/support/order_captures.h"

namespace {

using namespace ordertable::test;

constexpr const char* kUsage =
    "Usage: ordertable-sample-capture FILE [--orders N] [--first-id ID] [--seed S]\n"
    "                                 [--per-reply K] [--size-mb M] [--firefox | --bookmark]\n"
    "                                 [--cut-short] [--readable-dates] [--replies]\n"
    "Writes a HAR of N generated orders (default 25), K to an order-list reply (default 10),\n"
    "the first one with the id ID (default 8214000000000001), the ids growing down the list.\n"
    "--size-mb adds pictures in base64 up to about M megabytes; --firefox writes Firefox's\n"
    "HAR (with a made-up session cookie) instead of Chrome's, --bookmark the bookmark's (the\n"
    "replies alone); --cut-short leaves the list unfinished\n"
    "(its last reply still says there are more orders). --readable-dates gives\n"
    "the orders whose date is in a form the table cannot read \"Jan 1, 2019\" instead.\n"
    "--replies makes FILE a folder and writes into it the order-list replies alone, as the\n"
    "page's API client hands them over: reply_01.json, reply_02.json, ... (plain JSON, the\n"
    "last one saying there are no more orders), for the stand-in order page of the browser\n"
    "test of the bookmark.\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "ordertable-sample-capture: %s\n%s", message.c_str(), kUsage);
  return 2;
}

// One reply file per page of `capture_spec`'s list; an empty list gives one reply.
int WriteReplies(const std::string& folder, const CaptureSpec& capture_spec) {
  if (!ordertable::files::CreateFolder(folder)) return Fail("cannot create the folder " + folder);
  const std::vector<TestListOrder>& orders = capture_spec.orders;
  const std::size_t per_reply = static_cast<std::size_t>(capture_spec.per_reply);
  const std::size_t pages = orders.empty() ? 1 : (orders.size() + per_reply - 1) / per_reply;
  for (std::size_t page = 0; page < pages; ++page) {
    const std::size_t first = page * per_reply;
    const std::vector<TestListOrder> slice(
        orders.begin() + static_cast<std::ptrdiff_t>(first),
        orders.begin() + static_cast<std::ptrdiff_t>(std::min(orders.size(), first + per_reply)));
    char name[48];
    std::snprintf(name, sizeof name, "/reply_%02zu.json", page + 1);
    const std::string text = ReplyText(slice, static_cast<int>(page) + 1, page + 1 < pages);
    if (!ordertable::files::WriteFileAtomically(folder + name, {text})) {
      return Fail("cannot write " + folder + name);
    }
  }
  std::printf("%s\n", folder.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file;
  std::int64_t orders = 25, first_id = 8214000000000001, seed = 1, per_reply = 10, size_mb = 0;
  CaptureSpec capture_spec;
  bool readable_dates = false;
  bool replies = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto number = [&](std::int64_t min, std::int64_t& value) {
      return i + 1 < argc && ParseNumber(argv[++i], min, value);
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--orders") {
      if (!number(0, orders) || orders > 100000) return Fail("--orders needs 0 to 100000");
    } else if (arg == "--first-id") {
      if (!number(0, first_id)) return Fail("--first-id needs a number");
    } else if (arg == "--seed") {
      if (!number(0, seed)) return Fail("--seed needs a number");
    } else if (arg == "--per-reply") {
      if (!number(1, per_reply) || per_reply > 1000) return Fail("--per-reply needs 1 to 1000");
    } else if (arg == "--size-mb") {
      if (!number(0, size_mb) || size_mb > 2000) return Fail("--size-mb needs 0 to 2000");
    } else if (arg == "--firefox") {
      capture_spec.flavour = HarFlavour::kFirefox;
    } else if (arg == "--bookmark") {
      capture_spec.flavour = HarFlavour::kBookmark;
    } else if (arg == "--readable-dates") {
      readable_dates = true;
    } else if (arg == "--replies") {
      replies = true;
    } else if (arg == "--cut-short") {
      capture_spec.complete = false;
    } else if (arg.starts_with("-") || !file.empty()) {
      return Fail("unexpected argument: " + arg);
    } else {
      file = arg;
    }
  }
  if (file.empty()) return Fail("no output file given");
  capture_spec.orders =
      MakeListedOrders(static_cast<int>(orders), first_id, static_cast<std::uint32_t>(seed));
  for (TestListOrder& order : capture_spec.orders) {
    if (readable_dates && !order.date_cell.starts_with("20")) order.order.date = "Jan 1, 2019";
  }
  capture_spec.per_reply = static_cast<int>(per_reply);
  capture_spec.size_bytes = static_cast<std::size_t>(size_mb) * 1000 * 1000;
  if (replies) return WriteReplies(file, capture_spec);
  if (!ordertable::files::WriteFileAtomically(file, {BuildCapture(capture_spec)})) {
    std::fprintf(stderr, "ordertable-sample-capture: cannot write %s\n", file.c_str());
    return 1;
  }
  std::printf("%s\n", file.c_str());
  return 0;
}
