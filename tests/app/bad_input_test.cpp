// Bad clipboard and page input, end to end: through the wizard (the fake host in a scratch
// folder, with the real capture, cached page files and table build) and through the
// command-line tool's import, which takes the same page saved as a file. Each case states its
// outcome; in none may anything crash or hang, or a file be written that should not be.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/commands.h"
#include "orders/text.h"
#include "tests/app/wizard_test_support.h"

namespace ordertable::test {
namespace {

using ::testing::HasSubstr;
using lines::operator+;

constexpr std::int64_t kFirstId = 8012000000000000;
constexpr std::size_t kMiB = 1024 * 1024;

std::string PageOf(const std::vector<TestOrder>& orders, int page = 1, int total = 1) {
  PageSpec page_spec;
  page_spec.orders = orders;
  page_spec.page = page;
  page_spec.total_pages = total;
  page_spec.head_kib = 2;
  return BuildPageSource(page_spec);
}

std::string ReplacedAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// `text` inserted before the first `before`.
std::string InsertedBefore(std::string text, std::string_view before, std::string_view inserted) {
  text.insert(text.find(before), inserted);
  return text;
}

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

class BadInputTest : public WizardTest {
 protected:
  // The tool works in a folder of its own, beside the wizard's.
  std::filesystem::path CliFolder() const { return folder_ / "cli"; }
  std::filesystem::path CliDocument() const { return CliFolder() / "AliExpress Orders.html"; }

  // Saves `page_source` as the browser would and imports it with the command-line tool.
  CliRun Import(std::string_view page_source, bool update = false) {
    std::filesystem::create_directories(CliFolder());
    WriteBytes(CliFolder() / "saved.html", page_source);
    std::vector<std::string> args;
    if (update) args.push_back("--update");
    args.push_back("saved.html");
    std::ostringstream out, err;
    const int status = cli::RunImportCommand(args, CliFolder(), out, err);
    return {status, out.str(), err.str()};
  }

  // Copies `page` once in the capture step; when it starts the build, the worker runs at once
  // and the next tick shows its result.
  void CopyAndBuild(std::string page) {
    CopyAndTick(std::move(page));
    if (host_.WorkerStarts() > 0) wizard_.OnTimerTick();
  }

  int CachedPages() const {
    int pages = 0;
    while (std::filesystem::exists(CachedPage(pages + 1))) ++pages;
    return pages;
  }

  static void ExpectTableOf(const std::filesystem::path& document,
                            const std::vector<TestOrder>& orders) {
    const std::string text = ReadBytes(document);
    EXPECT_EQ(text, ExpectedDocument(NumberedRows(orders, Ratings(text))));
    EXPECT_EQ(Ratings(text).size(), orders.size());
  }
};

// ---------------------------------------------------------------------------------------------
// A 64 MiB clipboard

TEST_F(BadInputTest, A64MiBTextWithoutAllFourMarkersIsLeftAloneAndNothingIsWritten) {
  // Log lines with three of the four markers (the directory name is misspelt), over and over:
  // the poll looks through all of it on every tick and finds no page.
  std::string text;
  text.reserve(64 * kMiB + 200);
  while (text.size() < 64 * kMiB) {
    text +=
        "<html> GET <label class=\"ui-label\">1/1</label> </html> Alibaba Manufacturer Directry\n";
  }
  EnterCapture();
  CopyAndTick(text);
  EXPECT_THAT(Take(), ::testing::ElementsAreArray(lines::Tick(0) + lines::NoPage()));
  EXPECT_TRUE(host_.Clipboard() == text);
  EXPECT_TRUE(host_.TimerRunning());
  EXPECT_EQ(CachedPages(), 0);

  const CliRun run = Import(text);
  EXPECT_EQ(run.status, cli::kExitBadInput);
  EXPECT_THAT(run.err, HasSubstr("saved.html: not an order-list page"));
  EXPECT_THAT(FolderEntries(CliFolder()), ::testing::ElementsAre("saved.html"));
}

TEST_F(BadInputTest, A64MiBPageIsStoredAndBuiltLikeAnyOther) {
  // A page whose head swelled to 64 MiB: deep indentation, long blank runs and one line of
  // 16 MiB. Its ten orders must all reach the table; the cached page is the cleaned text.
  const std::vector<TestOrder> orders = MakeOrders(10, kFirstId, 7);
  std::string filler;
  filler.reserve(64 * kMiB + 200);
  filler += "<script>var data = '" + std::string(16 * kMiB, 'x') + "';</script>\n";
  while (filler.size() < 48 * kMiB) filler += "\t\t\t\t\t\t  <meta name=\"x\" content=\"y\">\n";
  while (filler.size() < 64 * kMiB) filler += "\t \r\n\n\t\t  \n";
  const std::string page = InsertedBefore(PageOf(orders), "</head>", filler);
  filler = {};
  ASSERT_GT(page.size(), 64 * kMiB);

  EnterCapture();
  CopyAndBuild(page);
  EXPECT_EQ(host_.MessageText(), want::Generated("10", "1"));
  EXPECT_TRUE(ReadBytes(CachedPage(1)) == CleanUpText(page));
  ExpectTableOf(Document(), orders);

  const CliRun run = Import(page);
  EXPECT_EQ(run.status, cli::kExitDone) << run.err;
  EXPECT_THAT(run.out, HasSubstr("10 row(s) written"));
  ExpectTableOf(CliDocument(), orders);
}

// ---------------------------------------------------------------------------------------------
// Bytes a text page should not hold

TEST_F(BadInputTest, NulBytesStayInTheFieldsTheyStoodIn) {
  // NUL bytes in the head, in a title, a store name and a status, and inside the page counter:
  // the text is not cut at its first NUL anywhere. The cached page file holds them all, and
  // every order reaches the table with them in its fields.
  using namespace std::string_literals;
  std::vector<TestOrder> orders = MakeOrders(6, kFirstId, 3);
  orders[1].products[0].title = "USB\0cable 1m"s;
  orders[2].store_name = "\0Store\0"s;
  orders[3].status = "Fini\0shed"s;
  std::string page = InsertedBefore(PageOf(orders), "</head>", "\0\0\0<!-- \0 -->\n"s);
  page = ReplacedAll(page, ">1/1<", ">1\0/1<"s);

  EnterCapture();
  CopyAndBuild(page);
  EXPECT_EQ(host_.MessageText(), want::Generated("6", "1"));
  const std::string cached = ReadBytes(CachedPage(1));
  EXPECT_TRUE(cached == CleanUpText(page));
  EXPECT_EQ(std::count(cached.begin(), cached.end(), '\0'),
            std::count(page.begin(), page.end(), '\0'));
  ExpectTableOf(Document(), orders);

  const CliRun run = Import(page);
  EXPECT_EQ(run.status, cli::kExitDone) << run.err;
  ExpectTableOf(CliDocument(), orders);
}

TEST_F(BadInputTest, APageInALegacyCodePageKeepsItsBytes) {
  // Titles, store names, statuses, options and prices in Windows-1252 and GBK bytes, which are
  // not UTF-8: nothing is converted, so the table shows them as the page had them.
  std::vector<TestOrder> orders = MakeOrders(5, kFirstId, 4);
  orders[0].products[0].title = "Montre \xE0 quartz \xAB Luxe \xBB \x93neuve\x94";
  orders[0].price = "\x80 12,49";
  orders[1].store_name = "\xC4\xE3\xBA\xC3 \xC9\xCC\xB5\xEA";
  orders[1].status = "\xA0Termin\xE9\xA0";  // no-break spaces are no spaces: they stay
  orders[2].products[0].options = "Couleur:\xC9meraude Taille:\xFF\x81\x8D";
  orders[3].products[0].title = "\xD0\xC2\xBF\xEE \"\xB3\xE4\xB5\xE7\xC6\xF7\"";
  const std::string page = InsertedBefore(PageOf(orders), "</head>",
                                          "<meta name=\"description\" content=\"\xC3\xA9\xE9\">\n");

  EnterCapture();
  CopyAndBuild(page);
  EXPECT_EQ(host_.MessageText(), want::Generated("5", "1"));
  EXPECT_EQ(ReadBytes(CachedPage(1)), CleanUpText(page));
  ExpectTableOf(Document(), orders);

  const CliRun run = Import(page);
  EXPECT_EQ(run.status, cli::kExitDone) << run.err;
  ExpectTableOf(CliDocument(), orders);
}

// ---------------------------------------------------------------------------------------------
// The page counter

struct CounterStep {
  std::string clipboard;
  std::string status;  // the status line after the capture
  int cached_pages;    // cached page files after the capture
};

struct CounterCase {
  const char* name;
  std::vector<CounterStep> steps;  // copied one after the other in one capture run
  // The first step's page saved as a file and imported alone with the tool.
  int cli_status;
  const char* cli_message;  // in the output when the status is 0, in the errors otherwise
  friend void PrintTo(const CounterCase& c, std::ostream* out) { *out << c.name; }
};

std::string Expecting(std::string_view next_of_total) {
  return "blue \"Expected: page " + std::string(next_of_total) + "\"";
}

const std::string kBuilding = "green \"GENERATING TABLE\"";

std::string EndingWith(std::string_view tail) {
  return "<html> Alibaba Manufacturer Directory </html>\n" + std::string(tail);
}

class PageCounterInputTest : public BadInputTest,
                             public ::testing::WithParamInterface<CounterCase> {};

TEST_P(PageCounterInputTest, GivesTheStatedOutcome) {
  const CounterCase& c = GetParam();
  host_.SetWorkerMode(FakeHost::WorkerMode::kHold);
  EnterCapture();
  for (const CounterStep& step : c.steps) {
    SCOPED_TRACE(step.status);
    CopyAndTick(step.clipboard);
    EXPECT_EQ(host_.Status(), step.status);
    EXPECT_EQ(CachedPages(), step.cached_pages);
    EXPECT_EQ(host_.Clipboard(), "");
    EXPECT_EQ(host_.WorkerStarts(), step.status == kBuilding ? 1 : 0);
  }
  EXPECT_FALSE(std::filesystem::exists(Document()));

  const CliRun run = Import(c.steps.front().clipboard);
  EXPECT_EQ(run.status, c.cli_status);
  EXPECT_THAT(c.cli_status == cli::kExitDone ? run.out : run.err, HasSubstr(c.cli_message));
  if (c.cli_status != cli::kExitDone) {
    EXPECT_THAT(FolderEntries(CliFolder()), ::testing::ElementsAre("saved.html"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Counters, PageCounterInputTest,
    ::testing::Values(
        // Without a "/" the number is read and the total stays unread: the capture goes on
        // until a page names the total. The tool takes the pages it is given as the list.
        CounterCase{"NoSlashIsAPageWithoutATotal",
                    {{MarkedPage("1"), Expecting("2/0"), 1}, {MarkedPage("2/2"), kBuilding, 2}},
                    cli::kExitDone,
                    "0 row(s) written"},
        CounterCase{"NoSlashAndAnotherNumberIsAWrongPage",
                    {{MarkedPage("3"), Expecting("1/0"), 0}},
                    cli::kExitBadInput,
                    "page 1 is missing"},
        // More digits than any integer holds: the value stops at the largest one.
        CounterCase{"AHugeTotalIsNeverReached",
                    {{MarkedPage("1/99999999999999999999"), Expecting("2/9223372036854775807"), 1},
                     {MarkedPage("2/3"), Expecting("3/9223372036854775807"), 2}},
                    cli::kExitBadInput,
                    "page 2 of 9223372036854775807 is missing; nothing was written"},
        CounterCase{"AHugePageNumberIsAWrongPage",
                    {{MarkedPage("99999999999999999999/3"), Expecting("1/3"), 0},
                     {MarkedPage("1/3"), Expecting("2/3"), 1}},
                    cli::kExitBadInput,
                    "page 1 is missing"},
        CounterCase{"ANegativePageNumberIsAWrongPage",
                    {{MarkedPage("-1/3"), Expecting("1/3"), 0}},
                    cli::kExitBadInput,
                    "gives no page number"},
        CounterCase{
            "HugeNegativeNumbersAreAWrongPageWithoutATotal",
            {{MarkedPage("-99999999999999999999/-99999999999999999999"), Expecting("1/0"), 0}},
            cli::kExitBadInput,
            "gives no page number"},
        // A total below 1 is no total: a later page names it and the build can start.
        CounterCase{"ANegativeTotalIsLeftUnread",
                    {{MarkedPage("1/-3"), Expecting("2/0"), 1}, {MarkedPage("2/2"), kBuilding, 2}},
                    cli::kExitDone,
                    "0 row(s) written"},
        // A counter tag cut off at the very end of the text gives no counter: page 0.
        CounterCase{"TheTagAtTheVeryEnd",
                    {{EndingWith("<label class=\"ui-label"), Expecting("1/0"), 0}},
                    cli::kExitBadInput,
                    "gives no page number"},
        CounterCase{"TheWholeTagAtTheVeryEnd",
                    {{EndingWith("<label class=\"ui-label\">"), Expecting("1/0"), 0}},
                    cli::kExitBadInput,
                    "gives no page number"},
        CounterCase{"AnUnclosedCounterAtTheVeryEnd",
                    {{EndingWith("<label class=\"ui-label\">1/1"), Expecting("1/0"), 0}},
                    cli::kExitBadInput,
                    "gives no page number"}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

// ---------------------------------------------------------------------------------------------
// Order blocks that cannot be read

struct BrokenBlocksCase {
  const char* name;
  std::string from;  // replaced in every order block
  std::string to;
};

class BrokenBlocksTest : public BadInputTest,
                         public ::testing::WithParamInterface<BrokenBlocksCase> {
 protected:
  std::string BrokenPage(const std::vector<TestOrder>& orders) const {
    const std::string page = PageOf(orders);
    const std::string broken = ReplacedAll(page, GetParam().from, GetParam().to);
    EXPECT_NE(broken, page);
    return broken;
  }
};

// A page whose every block lacks a marker yields no row. The page is still an order-list
// page: a new table is written with no row and says so ("0 items"); an update adds nothing
// and leaves the table as it was.
TEST_P(BrokenBlocksTest, ANewTableHasNoRowAndSaysSo) {
  const std::string page = BrokenPage(MakeOrders(8, kFirstId, 2));
  EnterCapture();
  CopyAndBuild(page);
  EXPECT_EQ(host_.MessageText(), want::Generated("0", "1"));
  ExpectTableOf(Document(), {});

  const CliRun run = Import(page);
  EXPECT_EQ(run.status, cli::kExitDone) << run.err;
  EXPECT_THAT(run.out, HasSubstr("0 row(s) written"));
  ExpectTableOf(CliDocument(), {});
}

TEST_P(BrokenBlocksTest, AnUpdateLeavesTheTableAsItWas) {
  const std::vector<TestOrder> known = MakeOrders(4, kFirstId + 8, 2);
  const std::string table = ExpectedDocument(NumberedRows(known, kFirstRatings));
  WriteBytes(Document(), table);
  std::filesystem::create_directories(CliFolder());
  WriteBytes(CliDocument(), table);
  const std::string page = BrokenPage(MakeOrders(8, kFirstId, 2));

  EnterCapture();
  CopyAndBuild(page);
  EXPECT_EQ(host_.MessageText(), want::kUpToDate);
  EXPECT_EQ(ReadBytes(Document()), table);

  const CliRun run = Import(page, true);
  EXPECT_EQ(run.status, cli::kExitDone) << run.err;
  EXPECT_THAT(run.out, HasSubstr("0 new row(s) added"));
  EXPECT_EQ(ReadBytes(CliDocument()), table);
}

INSTANTIATE_TEST_SUITE_P(
    EveryBlock, BrokenBlocksTest,
    ::testing::Values(BrokenBlocksCase{"StatusMarkerRenamed", "order-status", "order-state"},
                      BrokenBlocksCase{"AmountMarkerRenamed", "amount-num", "amount-value"},
                      BrokenBlocksCase{"ItemPictureMissing", "<img src=", "<picture src="},
                      BrokenBlocksCase{"NoTableElement", "<table", "<div"}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace ordertable::test
