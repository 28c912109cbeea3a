// The commands that build the table: build and import.

#include <map>
#include <optional>
#include <string_view>
#include <system_error>

#include "builder/capture_build.h"
#include "builder/import_plan.h"
#include "builder/table_build.h"
#include "cli/commands.h"
#include "files/files.h"
#include "orders/order_list.h"
#include "orders/page_files.h"
#include "orders/text.h"
#include "table/assets.h"
#include "table/document.h"
#include "table/overlap.h"

namespace ordertable::cli {

const char* const kBuildCommandsHelp =
    "  build [--update]        build \"AliExpress Orders.html\" in the current folder from the\n"
    "                          cached page files tmp/AE_orders_NN.html, as the wizard does;\n"
    "                          --update adds the orders that the table lacks at its top and\n"
    "                          keeps the previous table as \"AliExpress Orders.bkp\"; without\n"
    "                          --update an existing table is never overwritten\n"
    "  import [--update] FILE...\n"
    "                          store order-list pages saved from the browser (page source)\n"
    "                          as the cached page files, replacing those in tmp/, then build;\n"
    "                          with --update the pages after the first one that holds an\n"
    "                          order of the table are not needed. FILE may instead be a HAR\n"
    "                          of today's order page (.har) or order-list replies (JSON or\n"
    "                          JSONP), read in the order given: their orders are stored as\n"
    "                          the cached capture tmp/AE_order_list.json, then built;\n"
    "                          build and import print the row count\n";

const char* const kExitStatusHelp =
    "Exit status: 0 done; 1 bad arguments, or a FILE that cannot be read or is not an\n"
    "order-list page or capture, or a capture that is refused or cut short; 2 no cached\n"
    "page file; 3 a file or standard output could not be\n"
    "written, or a cached page file could not be read; 4 another run is working on the\n"
    "table of this folder. Nothing is written on 1 to 4, and no order is lost.\n";

namespace {

struct Options {
  bool update = false;
  std::vector<std::string> files;
};

// Parses [--update] followed, for import, by file names.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, bool takes_files,
                                    std::ostream& err) {
  Options options;
  bool files_only = false;
  for (const auto& arg : args) {
    if (!files_only && arg == "--update") {
      options.update = true;
    } else if (!files_only && arg == "--") {
      files_only = true;
    } else if (takes_files && (files_only || arg.empty() || arg[0] != '-')) {
      options.files.push_back(arg);
    } else {
      err << "unexpected argument '" << arg << "' (see --help)\n";
      return std::nullopt;
    }
  }
  if (takes_files && options.files.empty()) {
    err << "import needs at least one saved order-list page (see --help)\n";
    return std::nullopt;
  }
  return options;
}

// The folder's lock for this run, taken before the table is read or the cached pages touched.
std::optional<TableRun> BeginRun(const TablePlaces& places, std::ostream& err, int* status) {
  std::string message;
  bool busy = false;
  std::optional<TableRun> run = BeginTableRun(places, kLockWaitMs, &message, &busy);
  if (!run) {
    err << message << "; nothing was written\n";
    *status = busy ? kExitBusy : kExitWriteFailed;
    return std::nullopt;
  }
  if (!run->note.empty()) err << run->note << "\n";
  return run;
}

// The wizard erases a table only after asking, and updates only one that exists; without a
// question to ask, the tool refuses instead.
bool TableStateFits(const TablePlaces& places, bool update, std::ostream& err) {
  const bool table_exists = TableExists(places);
  if (update && !table_exists) {
    err << "there is no \"" << kTableDocument << "\" to update";
    if (const std::string in_the_way = FolderInTheWay(places); !in_the_way.empty()) {
      err << ": " << in_the_way << "\n";
    } else if (files::IsOrdinaryFile(places.backup)) {
      err << "; its backup \"" << kTableBackup << "\" is here: rename it to \"" << kTableDocument
          << "\" to update it, or leave out --update to build a new table\n";
    } else {
      err << "; leave out --update to build a new table\n";
    }
    return false;
  }
  if (!update && table_exists) {
    err << "\"" << kTableDocument << "\" already exists: use --update to add the new orders to"
        << " it, or move it away to build a new table\n";
    return false;
  }
  return true;
}

int ReportBuild(const BuildOutcome& outcome, const ImportPlan& plan, std::ostream& out,
                std::ostream& err) {
  const bool update = plan.update_mode();
  // Orders left out are said whatever the outcome: the table lacks them for good.
  if (plan.unreadable_orders() > 0) {
    err << plan.unreadable_orders() << " order(s) of the capture could not be read (no order"
        << " number) and are not in the table\n";
  }
  switch (outcome.result) {
    case BuildResult::kDone:
      if (update && outcome.row_count == 0) {
        out << "0 new row(s) added: nothing is new, so \"" << kTableDocument
            << "\" and its backup were left as they were\n";
      } else if (update) {
        out << outcome.row_count << " new row(s) added to \"" << kTableDocument
            << "\"; the previous table is kept in \"" << kTableBackup << "\"\n";
      } else {
        out << outcome.row_count << " row(s) written to \"" << kTableDocument << "\"\n";
      }
      return kExitDone;
    case BuildResult::kNoPages:
      err << outcome.message << "; nothing was written\n";
      return kExitNoPages;
    case BuildResult::kFailed:
      break;
  }
  err << "\"" << kTableDocument << "\" could not be " << (update ? "updated" : "written") << ": "
      << outcome.message << ". No order was lost: ";
  switch (outcome.kept_in) {
    case TableKeptIn::kDocument:
      err << "the previous table is still in \"" << kTableDocument << "\".\n";
      break;
    case TableKeptIn::kBackup:
      err << "the previous table is in \"" << kTableBackup << "\".\n";
      break;
    case TableKeptIn::kNowhere:
      err << (outcome.from_capture ? "the orders are still in the capture you gave.\n"
                                   : "the orders are still in the cached page files.\n");
      break;
  }
  switch (outcome.failure) {
    case BuildFailure::kOutOfMemory:
      err << "Close other programs to free memory, then try again.\n";
      break;
    case BuildFailure::kAssetsUnwritable:
      err << "Check that the disk is not full and that \"" << kAssetFolder
          << "\" beside the table is a folder that can be written.\n";
      break;
    case BuildFailure::kFolderInTheWay:
      break;  // the message says what to do
    default:
      err << "Check that the disk is not full, that the folder is writable and that no other"
          << " program holds the table" << (outcome.from_capture ? "" : " or a cached page file")
          << " open.\n";
      break;
  }
  return kExitWriteFailed;
}

// A page saved from the browser, checked and cleaned as the wizard treats a copied page.
struct ImportedPage {
  std::string file;
  std::string text;  // cleaned
  PageCounter counter;
};

std::optional<ImportedPage> ReadSavedPage(const std::string& file,
                                          const std::optional<std::string>& bytes,
                                          std::ostream& err) {
  if (!bytes) {
    err << file << ": cannot be read\n";
    return std::nullopt;
  }
  if (const std::string_view marker = MissingPageMarker(*bytes); !marker.empty()) {
    err << file << ": not an order-list page (it lacks " << marker << ")\n";
    return std::nullopt;
  }
  ImportedPage page{file, CleanUpText(*bytes), {}};
  page.counter = ReadPageCounter(page.text);
  if (page.counter.number < 1) {
    err << file << ": its page counter '" << CutPageCounter(page.text)
        << "' gives no page number\n";
    return std::nullopt;
  }
  return page;
}

// Checks every saved page and that no page number is given twice.
std::optional<std::map<std::int64_t, ImportedPage>> ReadSavedPages(
    const std::vector<std::string>& files, const std::vector<std::optional<std::string>>& bytes,
    std::ostream& err) {
  std::map<std::int64_t, ImportedPage> pages;
  bool sound = true;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string& file = files[i];
    std::optional<ImportedPage> page = ReadSavedPage(file, bytes[i], err);
    if (!page) {
      sound = false;
      continue;
    }
    const auto [at, inserted] = pages.emplace(page->counter.number, std::move(*page));
    if (!inserted) {
      err << file << ": page " << at->first << " again (already given by " << at->second.file
          << ")\n";
      sound = false;
    }
  }
  if (!sound) return std::nullopt;
  return pages;
}

// Reads the captures of today's order list, one after the other, as one capture. Each file
// must hold an order-list reply that was not refused.
std::optional<OrderListCapture> ReadCaptures(const std::vector<std::string>& files,
                                             std::vector<std::optional<std::string>>& bytes,
                                             std::ostream& err) {
  OrderListCapture capture;
  bool sound = true;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!bytes[i]) {
      err << files[i] << ": cannot be read\n";
      sound = false;
      continue;
    }
    const bool names_api = MentionsOrderListApi(*bytes[i]);
    const std::string missing(MissingPageMarker(*bytes[i]));
    const OrderListCapture read = ReadOrderListCapture(std::move(*bytes[i]));
    if (read.replies == 0 && read.fault != OrderListCapture::Fault::kNone) {
      err << files[i] << ": " << CaptureProblem(CaptureVerdict::kUnreadable, read, false) << "\n";
      sound = false;
    } else if (read.replies == 0) {
      err << files[i] << ": not an order-list page (it lacks " << missing
          << ") nor a capture that holds an order-list reply"
          << (names_api ? "; today's order page holds no order in its source: capture its"
                          " network traffic as a HAR (see the README)"
                        : "")
          << "\n";
      sound = false;
    } else if (read.answered == 0) {
      err << files[i] << ": " << CaptureProblem(CaptureVerdict::kRefused, read, false) << "\n";
      sound = false;
    }
    AppendCapture(capture, read);
  }
  if (!sound) return std::nullopt;
  return capture;
}

int ImportCaptures(ImportPlan& plan, const std::vector<std::string>& files,
                   std::vector<std::optional<std::string>>& bytes, std::ostream& out,
                   std::ostream& err) {
  const std::optional<OrderListCapture> capture = ReadCaptures(files, bytes, err);
  if (!capture) return kExitBadInput;
  int status = kExitDone;
  const std::optional<TableRun> run = BeginRun(plan.places(), err, &status);
  if (!run) return status;
  if (!TableStateFits(plan.places(), plan.update_mode(), err)) return kExitBadInput;
  const CaptureVerdict verdict = plan.JudgeCapture(*capture);
  if (!Buildable(verdict)) {
    err << CaptureProblem(verdict, *capture, plan.update_mode()) << "; nothing was written\n";
    return kExitBadInput;
  }
  std::string reason;
  if (!plan.StoreCapture(*capture, &reason)) {
    err << StoredCaptureName() << " could not be written: " << reason
        << "; nothing else was written\n";
    ClearCacheFolder(plan.places().folder);
    return kExitWriteFailed;
  }
  out << capture->orders.size() << " order(s) stored in " << StoredCaptureName() << "\n";
  return ReportBuild(plan.Build(), plan, out, err);
}

int ImportPages(ImportPlan& plan, const std::vector<std::string>& files,
                const std::vector<std::optional<std::string>>& bytes, std::ostream& out,
                std::ostream& err) {
  const auto pages = ReadSavedPages(files, bytes, err);
  if (!pages) return kExitBadInput;
  int status = kExitDone;
  const std::optional<TableRun> run = BeginRun(plan.places(), err, &status);
  if (!run) return status;
  if (!TableStateFits(plan.places(), plan.update_mode(), err)) return kExitBadInput;
  if (!pages->contains(1)) {
    err << "page 1 is missing: the pages given are " << pages->begin()->first << " and up\n";
    return kExitBadInput;
  }
  // As in the wizard, the count is the one the first page names; with none there, the pages
  // given are all there is.
  plan.NotePageCount(pages->at(1).counter);
  plan.NotePageCount({0, pages->rbegin()->first});
  const std::int64_t total = plan.page_count();
  if (!plan.update_mode()) {
    for (std::int64_t n = 1; n <= total; ++n) {
      if (!pages->contains(n)) {
        err << "page " << n << " of " << total << " is missing; nothing was written\n";
        return kExitBadInput;
      }
    }
  }

  // The cached page files of an earlier capture would join the new ones in the build.
  ClearCacheFolder(plan.places().folder);
  for (std::int64_t n = 1;; ++n) {
    const auto page = pages->find(n);
    if (page == pages->end()) {
      // Only an update can get here: no page before this one reaches a known order.
      err << "page " << n << " of " << total << " is missing: none of pages 1 to " << n - 1
          << " holds an order of the table yet; nothing was written\n";
      ClearCacheFolder(plan.places().folder);
      return kExitBadInput;
    }
    const ImportPlan::PageStep step = plan.TakePage(page->second.text, n);
    if (step == ImportPlan::PageStep::kNotSaved) {
      err << CachedPageName(static_cast<int>(n))
          << " could not be written; nothing else was written\n";
      ClearCacheFolder(plan.places().folder);
      return kExitWriteFailed;
    }
    if (step != ImportPlan::PageStep::kNext) break;
  }
  for (auto it = pages->upper_bound(plan.pages_taken()); it != pages->end(); ++it) {
    err << it->second.file << ": page " << it->first << " not needed, "
        << (plan.update_mode() ? "an earlier page reaches the orders of the table"
                               : "the list has " + std::to_string(total) + " pages")
        << "\n";
  }
  out << plan.pages_taken() << " page(s) stored in " << kCacheFolder << "/\n";
  return ReportBuild(plan.Build(), plan, out, err);
}

}  // namespace

int RunBuildCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                    std::ostream& out, std::ostream& err) {
  const std::optional<Options> options = ParseOptions(args, false, err);
  if (!options) return kExitBadInput;
  const ImportPlan plan(folder, options->update);
  int status = kExitDone;
  const std::optional<TableRun> run = BeginRun(plan.places(), err, &status);
  if (!run) return status;
  if (!TableStateFits(plan.places(), options->update, err)) return kExitBadInput;
  return ReportBuild(plan.Build(), plan, out, err);
}

int RunImportCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                     std::ostream& out, std::ostream& err) {
  const std::optional<Options> options = ParseOptions(args, true, err);
  if (!options) return kExitBadInput;
  // File names are relative to the working folder, like every other name of the tool. A
  // file is a saved page when it holds the page markers, else it is read as a capture. Text
  // that Windows tools saved as UTF-16 is read as the same text in UTF-8.
  std::vector<std::optional<std::string>> bytes;
  std::size_t saved_pages = 0;
  for (const std::string& file : options->files) {
    bytes.push_back(files::ReadWholeFile(folder / files::PathFromUtf8(file)));
    if (!bytes.back()) continue;
    if (std::optional<std::string> text = Utf8OfUtf16Text(*bytes.back())) {
      bytes.back() = std::move(text);
    }
    if (HoldsOrderListPage(*bytes.back())) ++saved_pages;
  }
  ImportPlan plan(folder, options->update);
  if (saved_pages == 0) return ImportCaptures(plan, options->files, bytes, out, err);
  if (saved_pages < bytes.size()) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] && !HoldsOrderListPage(*bytes[i]) && MentionsOrderListApi(*bytes[i])) {
        err << options->files[i] << ": a capture of today's order list cannot be joined to"
            << " saved pages of the older one; import it alone\n";
      }
    }
  }
  return ImportPages(plan, options->files, bytes, out, err);
}

}  // namespace ordertable::cli
