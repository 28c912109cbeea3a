#include "tests/app/wizard_test_support.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <random>

namespace ordertable::test {

namespace want {

std::string Generated(std::string_view rows, std::string_view pages) {
  return "The offline, searchable, responsive, web table of your AliExpress purchases has "
         "successfully been generated !\r\n\r\n" +
         std::string(rows) + " items were found across " + std::string(pages) +
         " pages.\r\n\r\nBy default the rating for each order has been randomized. If you "
         "want to give a correct rating, open the Html file in an editor such as Notepad, and "
         "change the numbers after each occurence of: <span class='stars'>\r\n\r\nDo you "
         "want to view your AliExpress Orders table now ?";
}

std::string Updated(std::string_view rows) {
  return "Your offline, searchable, responsive, web table of AliExpress purchases has "
         "successfully been updated !\r\n\r\n" +
         std::string(rows) +
         " new item(s) were added.\r\n\r\nThe rating for the new orders are still "
         "randomized. If you want to give them a correct rating, open the Html file in an "
         "editor such as Notepad, and change the numbers after each occurence of: <span "
         "class='stars'>\r\n\r\nDo you want to view your AliExpress Orders table now ?";
}

}  // namespace want

std::string MarkedPage(std::string_view counter, std::string_view body) {
  std::string page =
      "<!DOCTYPE html>\n<html>\n<head>\n\t<title>My Orders</title>\n"
      "\t<meta name=\"keywords\" content=\"Alibaba Manufacturer Directory\">\n</head>\n"
      "<body>\n\t<div class=\"pager\">\n\t\t<label class=\"ui-label\">";
  page += counter;
  page += "</label>\n\t</div>\n";
  page += body;
  page += "</body>\n</html>";
  return page;
}

std::vector<std::string> Ratings(std::string_view document) {
  constexpr std::string_view kStars = "<span class='stars'>";
  std::vector<std::string> ratings;
  for (std::size_t at = document.find(kStars); at != std::string_view::npos;
       at = document.find(kStars, at)) {
    at += kStars.size();
    ratings.emplace_back(document.substr(at, document.find("</span>", at) - at));
  }
  return ratings;
}

std::vector<DocumentRow> NumberedRows(const std::vector<TestOrder>& orders,
                                      const std::vector<std::string>& ratings) {
  std::vector<DocumentRow> rows;
  for (std::size_t i = 0; i < orders.size(); ++i) {
    rows.push_back({ExpectedRow(orders[i]), std::to_string(orders.size() - i),
                    i < ratings.size() ? ratings[i] : "?"});
  }
  return rows;
}

namespace {

std::filesystem::path FreshFolder() {
  static std::atomic<int> counter{0};
  // Another run of the tests (a sanitizer build, say) may be using the same names right now.
  static const std::string run = std::to_string(std::random_device{}());
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  // Parameterised tests have a "/" in their names.
  std::string name = std::string(info->name()) + "_" + std::to_string(counter++);
  std::replace(name.begin(), name.end(), '/', '_');
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("ordertable_wizard_" + run + "_" + name);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "tmp");
  return folder;
}

}  // namespace

WizardTest::WizardTest() : folder_(FreshFolder()), host_(folder_), wizard_(host_, folder_) {
  host_.Attach(wizard_);
}

WizardTest::~WizardTest() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::filesystem::path WizardTest::CachedPage(int page) const {
  return Tmp() / ((page < 10 ? "AE_orders_0" : "AE_orders_") + std::to_string(page) + ".html");
}

void WizardTest::EnterCapture() {
  wizard_.OnInit();
  wizard_.OnCommand(std::filesystem::exists(Document()) ? kUpdateYes : kIntroNext);
  wizard_.OnCommand(kAdviceNext);
  Take();
}

void WizardTest::CopyAndTick(std::string page) {
  host_.SetClipboard(std::move(page));
  wizard_.OnTimerTick();
}

namespace lines {

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Lines Intro() { return {line::Message(want::kIntro), line::Button(1001, "Next", "right")}; }

Lines UpdateQuestion() {
  return {line::Message(want::kUpdateQuestion), line::Button(2001, "YES", "right"),
          line::Button(2002, "No", "left")};
}

Lines ToAdvice() {
  return {"remove 1001",
          "remove 2001",
          "remove 2002",
          line::Message(want::kAdvice),
          line::Button(1002, "Next", "right"),
          line::Button(1004, "Today's page", "left")};
}

Lines EnterCapture() {
  return {"remove 1002",
          "remove 1004",
          line::Message(want::kInstruction),
          line::Button(1003, "Cancel", "right"),
          "height 60",
          "picture 9001 CPY at 36,96",
          "picture 9002 PST at 233,98",
          "picture 9003 PG0 at 107,119",
          "picture 9004 PG0 at 136,119",
          "picture 9005 PG0 at 165,119",
          "picture 9006 PG0 at 194,119",
          "status line 9007 at 107,87",
          "timer start",
          line::Status("blue", "Expected: page 1/??")};
}

Lines CancelCapture() {
  Lines cancel{"remove 1003", "timer stop"};
  for (int id = 9001; id <= 9007; ++id) cancel = cancel + Lines{line::Remove(id), "pump"};
  return cancel + Lines{"height 160", "pump"};
}

Lines Tick(int from) {
  Lines tick;
  if (from > 0) tick.push_back(line::Dot(from, false));
  tick.push_back(line::Dot(from % 4 + 1, true));
  return tick;
}

Lines NoPage() { return {"read clipboard"}; }

Lines PageFound() { return {"read clipboard", "timer stop", "page ready"}; }

Lines CaptureOpening() {
  Lines opening{line::Status("green", "TREATING ORDERS")};
  for (int dot = 1; dot <= 4; ++dot) opening = opening + Lines{line::Dot(dot, false), "pump"};
  return opening + Lines{"keys \"{CTRL_D}w{CTRL_U}\"",
                         "minimise",
                         "restore",
                         "pump",
                         "redraw",
                         "pump",
                         "read clipboard",
                         "empty clipboard"};
}

Lines Blink() {
  Lines blink;
  for (int time = 0; time < 3; ++time) {
    for (int dot = 1; dot <= 4; ++dot) blink = blink + Lines{line::Dot(dot, true), "pump"};
    blink.push_back("wait 500");
    for (int dot = 1; dot <= 4; ++dot) blink = blink + Lines{line::Dot(dot, false), "pump"};
    blink.push_back("wait 500");
  }
  return blink;
}

Lines Expect(std::string_view next_of_total) {
  return {line::Status("blue", "Expected: page " + std::string(next_of_total)), "timer start"};
}

Lines BuildStart(std::string_view caption, bool update_mode) {
  return {line::Status("green", caption),
          "remove 9001",
          "pump",
          "remove 9002",
          "pump",
          "disable 1003",
          "timer start",
          update_mode ? "start worker (update)" : "start worker (new table)"};
}

Lines Capture(int from, const Lines& outcome) {
  return Tick(from) + PageFound() + CaptureOpening() + outcome;
}

Lines Result(std::string_view outcome, std::string_view text) {
  Lines result{"poll worker -> " + std::string(outcome), "timer stop"};
  for (int id = 9001; id <= 9007; ++id) result = result + Lines{line::Remove(id), "pump"};
  return result + Lines{"remove 1003",
                        "height 160",
                        "pump",
                        line::Message(text),
                        line::Button(3001, "VIEW", "right"),
                        line::Button(3002, "Locate", "left")};
}

}  // namespace lines

}  // namespace ordertable::test
