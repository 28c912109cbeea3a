// Export timings on a table of 20,000 rows, as the writer makes it from generated orders:
//   BM_ExportTwentyThousandRows: each stage on its own (the rows read back from the table, the
//     spreadsheet's columns made from their cells, the CSV text, the workbook) and the whole
//     export command (table read from disk, file written atomically) for each format, with
//     the sizes of the table and of the two files.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "files/files.h"
#include "spreadsheet/csv.h"
#include "spreadsheet/order_sheet.h"
#include "spreadsheet/xlsx.h"
#include "table/document.h"
#include "table/document_reader.h"
#include "table/rating.h"
#include "tests/support/order_pages.h"

namespace ordertable {
namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs the export command in `folder` and returns how long it took.
double ExportCommand(const std::filesystem::path& folder, const char* format,
                     benchmark::State& state) {
  std::ostringstream out;
  std::ostringstream err;
  const auto start = Clock::now();
  const int status = cli::RunExportCommand({format}, folder, out, err);
  const double ms = Milliseconds(start);
  if (status != cli::kExitDone) state.SkipWithError(("export failed: " + err.str()).c_str());
  return ms;
}

void BM_ExportTwentyThousandRows(benchmark::State& state) {
  constexpr int kRows = 20000;
  RatingGenerator ratings;
  const std::string table =
      NewTableDocument(test::ExpectedRows(test::MakeOrders(kRows, 8012000000000101, 5)), ratings);
  std::random_device random;
  const auto folder =
      std::filesystem::temp_directory_path() / ("ordertable-bench-" + std::to_string(random()));
  std::filesystem::create_directories(folder);
  files::WriteFileAtomically(folder / kTableDocument, {table});

  double read_ms = 0, columns_ms = 0, csv_ms = 0, xlsx_ms = 0, csv_command_ms = 0,
         xlsx_command_ms = 0;
  std::size_t csv_size = 0, xlsx_size = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    const TableReading reading = ReadTableRows(table);
    read_ms += Milliseconds(start);
    if (reading.rows.size() != kRows) state.SkipWithError("not every row was read");

    start = Clock::now();
    const Sheet sheet = OrderSheet(reading.rows);
    columns_ms += Milliseconds(start);

    start = Clock::now();
    csv_size = CsvDocument(sheet).size();
    csv_ms += Milliseconds(start);

    start = Clock::now();
    xlsx_size = XlsxWorkbook(sheet).size();
    xlsx_ms += Milliseconds(start);

    csv_command_ms += ExportCommand(folder, "--csv", state);
    xlsx_command_ms += ExportCommand(folder, "--xlsx", state);
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);

  const double n = static_cast<double>(state.iterations());
  state.counters["read_ms"] = read_ms / n;
  state.counters["columns_ms"] = columns_ms / n;
  state.counters["csv_ms"] = csv_ms / n;
  state.counters["xlsx_ms"] = xlsx_ms / n;
  state.counters["command_csv_ms"] = csv_command_ms / n;
  state.counters["command_xlsx_ms"] = xlsx_command_ms / n;
  state.counters["table_MB"] = static_cast<double>(table.size()) / 1e6;
  state.counters["csv_MB"] = static_cast<double>(csv_size) / 1e6;
  state.counters["xlsx_MB"] = static_cast<double>(xlsx_size) / 1e6;
}
BENCHMARK(BM_ExportTwentyThousandRows)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace ordertable
