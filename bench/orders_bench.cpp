// Throughput of the page reading, in bytes of input per second:
//   BM_CleanUpRealisticPage: the clean-up of a 1 MiB order-list page source as copied from the
//     browser (LF or CR LF breaks, tab indentation, blank lines).
//   BM_ExtractRealisticPage: the row extraction from the same page once cleaned.
//   BM_CleanUpWorstCase: the clean-up of 1 MiB texts built to cost the literal passes the most:
//     deep indentation, long blank runs, lone line feeds to pair.
#include <benchmark/benchmark.h>

#include <string>

#include "orders/extract.h"
#include "orders/text.h"
#include "tests/support/order_pages.h"

namespace ordertable {
namespace {

constexpr std::size_t kPageBytes = 1 << 20;

// A realistic page of about 1 MiB: a 96 KiB head and as many orders as fill the rest.
std::string RealisticPageSource(test::LineBreaks line_breaks) {
  test::PageSpec page_spec;
  page_spec.head_kib = 96;
  page_spec.line_breaks = line_breaks;
  page_spec.orders = test::MakeOrders(100, 8012000000000000, 1);
  const std::size_t with_100 = test::BuildPageSource(page_spec).size();
  page_spec.orders = test::MakeOrders(200, 8012000000000000, 1);
  const std::size_t per_order = (test::BuildPageSource(page_spec).size() - with_100) / 100;
  const int orders = 100 + static_cast<int>((kPageBytes - with_100) / per_order);
  page_spec.orders = test::MakeOrders(orders, 8012000000000000, 1);
  return test::BuildPageSource(page_spec);
}

void BM_CleanUpRealisticPage(benchmark::State& state) {
  const auto line_breaks = state.range(0) == 0 ? test::LineBreaks::kLf : test::LineBreaks::kCrLf;
  const std::string page = RealisticPageSource(line_breaks);
  for (auto _ : state) {
    std::string cleaned = CleanUpText(page);
    benchmark::DoNotOptimize(cleaned);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
  state.SetLabel(std::string(line_breaks == test::LineBreaks::kLf ? "LF" : "CR LF") + ", " +
                 std::to_string(page.size()) + " bytes");
}
BENCHMARK(BM_CleanUpRealisticPage)->Arg(0)->Arg(1);

void BM_ExtractRealisticPage(benchmark::State& state) {
  const std::string page = CleanUpText(RealisticPageSource(test::LineBreaks::kCrLf));
  std::size_t rows_per_page = 0;
  for (auto _ : state) {
    RowList rows;
    ExtractRows(page, rows);
    rows_per_page = rows.size();
    benchmark::DoNotOptimize(rows);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
  state.SetLabel(std::to_string(rows_per_page) + " rows, " + std::to_string(page.size()) +
                 " bytes");
}
BENCHMARK(BM_ExtractRealisticPage);

enum WorstCase {
  kOneDeepIndent,    // CR LF and then a million tabs
  kDeepIndentLines,  // lines of 2,000 tabs then 500 spaces
  kBlankRun,         // half a million CR LF pairs
  kBlankOnlyLines,   // lines of tabs and spaces only
  kLoneLineFeeds,    // LF breaks and tab indentation: every break is paired first
};

std::string WorstCaseText(WorstCase which) {
  std::string text = "<html>";
  switch (which) {
    case kOneDeepIndent:
      text += "\r\n";
      text.append(kPageBytes, '\t');
      break;
    case kDeepIndentLines:
      while (text.size() < kPageBytes) {
        text += "\r\n";
        text.append(2000, '\t');
        text.append(500, ' ');
        text += "<td>";
      }
      break;
    case kBlankRun:
      while (text.size() < kPageBytes) text += "\r\n";
      break;
    case kBlankOnlyLines:
      while (text.size() < kPageBytes) text += "\r\n\t\t\t\t\t\t  ";
      break;
    case kLoneLineFeeds:
      while (text.size() < kPageBytes) text += "\n\t\t\n";
      break;
  }
  text += "x";
  return text;
}

void BM_CleanUpWorstCase(benchmark::State& state) {
  static constexpr const char* kNames[] = {"one deep indent", "deep indent lines", "blank run",
                                           "blank-only lines", "lone line feeds"};
  const std::string text = WorstCaseText(static_cast<WorstCase>(state.range(0)));
  for (auto _ : state) {
    std::string cleaned = CleanUpText(text);
    benchmark::DoNotOptimize(cleaned);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.SetLabel(kNames[state.range(0)]);
}
BENCHMARK(BM_CleanUpWorstCase)->DenseRange(kOneDeepIndent, kLoneLineFeeds);

}  // namespace
}  // namespace ordertable
