// Table build and merge timings. Each benchmark times the work it is about and, in the same
// run, what it is compared with, and reports the ratio as a counter:
//   BM_BuildAgainstPlainRead: a full build (extract + write a new table) of 10,000 orders on
//     334 cached pages of 30, and of twice the pages, each against reading the same cached page
//     files whole; build668/build334 shows how the time grows. extract334/read334 is the share
//     of the extraction alone (reading included), without the table writer.
//   BM_MergeHundredNewOrders: an update that adds 100 new orders (of 120 extracted, as whole
//     pages give them) to a 20,000-row table, backup and all.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "builder/table_build.h"
#include "files/files.h"
#include "orders/extract.h"
#include "orders/page_files.h"
#include "table/document.h"
#include "table/merge.h"
#include "table/rating.h"
#include "tests/support/order_pages.h"

namespace ordertable {
namespace {

using Clock = std::chrono::steady_clock;

class BenchFolder {
 public:
  BenchFolder() {
    std::random_device random;
    path_ =
        std::filesystem::temp_directory_path() / ("ordertable-bench-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A folder with the cached page files of `copies` x 10,000 orders, 334 pages of 30 (the last
// one shorter) per copy, numbered on through the copies, so that two copies are exactly twice
// the pages and twice the orders.
std::filesystem::path CachedPagesFolder(const BenchFolder& base, int copies) {
  const auto folder = base.path() / std::to_string(copies);
  std::filesystem::create_directories(folder);
  std::vector<test::PageSpec> pages;
  for (int copy = 0; copy < copies; ++copy) {
    const auto orders = test::MakeOrders(10000, 8012000000000000 + copy * 10000, 3);
    for (auto& page : test::SplitIntoPages(orders, 30)) pages.push_back(std::move(page));
  }
  for (std::size_t i = 0; i < pages.size(); ++i) {
    pages[i].page = static_cast<int>(i + 1);
    pages[i].total_pages = static_cast<int>(pages.size());
  }
  test::WriteCachedPages(folder, pages);
  return folder;
}

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Reads every cached page file whole, as the cheapest thing a build could possibly do.
double PlainRead(const std::filesystem::path& folder) {
  const auto start = Clock::now();
  const int pages = CountCachedPages(folder);
  std::size_t bytes = 0;
  for (int page = 1; page <= pages; ++page) {
    bytes += files::ReadWholeFile(CachedPageFile(folder, page)).value_or(std::string()).size();
  }
  benchmark::DoNotOptimize(bytes);
  return Seconds(Clock::now() - start);
}

// The extraction alone (reading included), to tell its share of a build from the writer's.
double ExtractOnly(const std::filesystem::path& folder) {
  const auto start = Clock::now();
  const int pages = CountCachedPages(folder);
  RowList rows;
  for (int page = 1; page <= pages; ++page) ExtractRowsFromFile(CachedPageFile(folder, page), rows);
  benchmark::DoNotOptimize(rows.data());
  return Seconds(Clock::now() - start);
}

double Build(const std::filesystem::path& folder, benchmark::State& state) {
  const auto start = Clock::now();
  const BuildOutcome outcome = RunTableBuild(folder, false);
  const double seconds = Seconds(Clock::now() - start);
  if (outcome.result != BuildResult::kDone) state.SkipWithError("the build failed");
  return seconds;
}

void BM_BuildAgainstPlainRead(benchmark::State& state) {
  BenchFolder base;
  const auto small = CachedPagesFolder(base, 1);  // 334 pages, 10,000 orders
  const auto large = CachedPagesFolder(base, 2);  // 668 pages, 20,000 orders
  if (CountCachedPages(small) != 334 || CountCachedPages(large) != 668) {
    state.SkipWithError("unexpected page count");
    return;
  }
  double read_small = 0, build_small = 0, read_large = 0, build_large = 0, extract_small = 0;
  for (auto _ : state) {
    read_small += PlainRead(small);
    extract_small += ExtractOnly(small);
    build_small += Build(small, state);
    read_large += PlainRead(large);
    build_large += Build(large, state);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["read334_ms"] = read_small / n * 1e3;
  state.counters["build334_ms"] = build_small / n * 1e3;
  state.counters["build334/read334"] = build_small / read_small;
  state.counters["extract334/read334"] = extract_small / read_small;
  state.counters["read668_ms"] = read_large / n * 1e3;
  state.counters["build668_ms"] = build_large / n * 1e3;
  state.counters["build668/read668"] = build_large / read_large;
  state.counters["build668/build334"] = build_large / build_small;
}
BENCHMARK(BM_BuildAgainstPlainRead)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_MergeHundredNewOrders(benchmark::State& state) {
  BenchFolder folder;
  // The table holds orders 101 to 20,100; the update extracted orders 1 to 120.
  RatingGenerator ratings;
  TableWriteError error;
  const std::string table =
      NewTableDocument(test::ExpectedRows(test::MakeOrders(20000, 8012000000000101, 5)), ratings);
  const RowList extracted = test::ExpectedRows(test::MakeOrders(120, 8012000000000001, 5));
  double merge_seconds = 0;
  std::size_t added = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(folder.path() / kTableBackup);
    files::WriteFileAtomically(folder.path() / kTableDocument, {table});
    RowList rows = extracted;
    state.ResumeTiming();

    const auto start = Clock::now();
    const bool merged = MergeIntoTable(folder.path(), rows, ratings, &error);
    merge_seconds += Seconds(Clock::now() - start);
    if (!merged) state.SkipWithError("the merge failed");
    added = rows.size();
  }
  state.counters["rows_added"] = static_cast<double>(added);
  state.counters["table_MB"] = static_cast<double>(table.size()) / 1e6;
  state.counters["merge_ms"] = merge_seconds / static_cast<double>(state.iterations()) * 1e3;
}
BENCHMARK(BM_MergeHundredNewOrders)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
}  // namespace ordertable
