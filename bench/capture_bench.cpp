// Reading a 30 MB HAR of today's order page (hundreds of pictures in base64, 20 order-list
// replies among them), in bytes of HAR per second:
//   BM_CaptureToRows: the program's whole path, HAR text to table rows (RapidJSON, in place).
//   BM_ParseRapidJsonInPlace: RapidJSON's DOM parse alone, in place and iterative, as the
//     reader parses.
//   BM_ParseNlohmannDom: nlohmann::json's DOM parse alone, which copies every string.
//   BM_ParseNlohmannSax: nlohmann::json's SAX parse with handlers that do nothing: the least
//     that library can spend on the text before a single order is read.
// Each run works on its own copy of the HAR (the reader parses in place); the copy is not
// timed.
#include <benchmark/benchmark.h>
#include <rapidjson/document.h>

#include <nlohmann/json.hpp>
#include <string>

#include "orders/order_list.h"
#include "orders/order_list_rows.h"
#include "tests/support/order_captures.h"

namespace ordertable {
namespace {

const std::string& Har() {
  static const std::string har = [] {
    test::CaptureSpec capture_spec;
    capture_spec.orders = test::MakeListedOrders(200, 8214000000000001, 1);
    capture_spec.duplicates = true;
    capture_spec.refused_retry = true;
    capture_spec.size_bytes = 30'000'000;
    return test::BuildCapture(capture_spec);
  }();
  return har;
}

template <typename Work>
void RunOnCopies(benchmark::State& state, Work work) {
  const std::string& har = Har();
  for (auto _ : state) {
    state.PauseTiming();
    std::string copy = har;
    state.ResumeTiming();
    work(std::move(copy));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(har.size()));
  state.counters["har_MB"] = static_cast<double>(har.size()) / 1e6;
}

void BM_CaptureToRows(benchmark::State& state) {
  std::size_t rows = 0;
  RunOnCopies(state, [&rows](std::string text) {
    const RowList table_rows = RowsOfCapture(ReadOrderListCapture(std::move(text)));
    rows = table_rows.size();
    benchmark::DoNotOptimize(table_rows);
  });
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_CaptureToRows)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ParseRapidJsonInPlace(benchmark::State& state) {
  RunOnCopies(state, [](std::string text) {
    rapidjson::Document document;
    document.ParseInsitu<rapidjson::kParseInsituFlag | rapidjson::kParseIterativeFlag>(text.data());
    benchmark::DoNotOptimize(document.HasParseError());
  });
}
BENCHMARK(BM_ParseRapidJsonInPlace)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ParseNlohmannDom(benchmark::State& state) {
  RunOnCopies(state, [](std::string text) {
    const nlohmann::json document = nlohmann::json::parse(text);
    benchmark::DoNotOptimize(document.size());
  });
}
BENCHMARK(BM_ParseNlohmannDom)->Unit(benchmark::kMillisecond)->UseRealTime();

struct IgnoreAll : nlohmann::json_sax<nlohmann::json> {
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return true; }
  bool key(string_t&) override { return true; }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return true; }
  bool end_array() override { return true; }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }
};

void BM_ParseNlohmannSax(benchmark::State& state) {
  RunOnCopies(state, [](std::string text) {
    IgnoreAll handler;
    benchmark::DoNotOptimize(nlohmann::json::sax_parse(text, &handler));
  });
}
BENCHMARK(BM_ParseNlohmannSax)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace ordertable
