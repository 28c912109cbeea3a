// The commands that build the table: build and import.

#include <map>
#include <optional>
#include <string_view>
#include <system_error>

#include "builder/capture_build.h"
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
    "written, or a cached page file could not be read. Nothing is written on 1, 2 and 3,\n"
    "and no order is lost.\n";

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

// The wizard erases a table only after asking, and updates only one that exists; without a
// question to ask, the tool refuses instead.
bool TableStateFits(const std::filesystem::path& folder, bool update, std::ostream& err) {
  const bool table_exists = TableExists(folder);
  if (update && !table_exists) {
    err << "there is no \"" << kTableDocument << "\" to update; leave out --update to build a"
        << " new table\n";
    return false;
  }
  if (!update && table_exists) {
    err << "\"" << kTableDocument << "\" already exists: use --update to add the new orders to"
        << " it, or move it away to build a new table\n";
    return false;
  }
  return true;
}

int ReportBuild(const BuildOutcome& outcome, bool update, std::ostream& out, std::ostream& err) {
  switch (outcome.result) {
    case BuildResult::kDone:
      if (update) {
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
      err << "the orders are still in the cached page files.\n";
      break;
  }
  if (outcome.failure == BuildFailure::kOutOfMemory) {
    err << "Close other programs to free memory, then try again.\n";
  } else if (outcome.failure == BuildFailure::kAssetsUnwritable) {
    err << "Check that the disk is not full and that \"" << kAssetFolder
        << "\" beside the table is a folder that can be written.\n";
  } else {
    err << "Check that the disk is not full, that the folder is writable and that no other"
        << " program holds the table or a cached page file open.\n";
  }
  return kExitWriteFailed;
}

// A page saved from the browser, checked and cleaned as the wizard treats a copied page.
struct ImportedPage {
  std::string file;
  std::string text;  // cleaned
  std::int64_t number = 0;
  std::int64_t total = 0;
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
  ImportedPage page{file, CleanUpText(*bytes)};
  const PageCounter counter = ReadPageCounter(page.text);
  page.number = counter.number;
  page.total = counter.total;
  if (page.number < 1) {
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
    const auto [at, inserted] = pages.emplace(page->number, std::move(*page));
    if (!inserted) {
      err << file << ": page " << at->first << " again (already given by " << at->second.file
          << ")\n";
      sound = false;
    }
  }
  if (!sound) return std::nullopt;
  return pages;
}

// Reads the captures of today's order list, one after the other, as one capture.
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
    if (read.replies == 0) {
      err << files[i] << ": not an order-list page (it lacks " << missing
          << ") nor a capture that holds an order-list reply"
          << (names_api ? "; today's order page holds no order in its source: capture its"
                          " network traffic as a HAR (see the README)"
                        : "")
          << "\n";
      sound = false;
    } else if (read.answered == 0) {
      err << files[i] << ": every order-list reply in it was refused (the session had"
          << " expired): log in, reload the order page and capture it again\n";
      sound = false;
    }
    AppendCapture(capture, read);
  }
  if (!sound) return std::nullopt;
  return capture;
}

int ImportCaptures(const Options& options, std::vector<std::optional<std::string>>& bytes,
                   const std::filesystem::path& folder, std::ostream& out, std::ostream& err) {
  const std::optional<OrderListCapture> capture = ReadCaptures(options.files, bytes, err);
  if (!capture) return kExitBadInput;
  if (!TableStateFits(folder, options.update, err)) return kExitBadInput;
  if (JudgeCapture(folder, *capture, options.update) == CaptureVerdict::kIncomplete) {
    if (capture->page_missing || capture->first_page > 1) {
      err << "pages of the order list are missing before page " << capture->last_page
          << " (a reply without its text, or reply files given out of order): give the"
          << " replies from page 1 on, in their order, or capture again; nothing was written\n";
    } else {
      err << "the capture ends before the end of the order list"
          << (options.update ? " and reaches no order of the table" : "")
          << ": click \"View orders\" under the list until it disappears, then capture again;"
          << " nothing was written\n";
    }
    return kExitBadInput;
  }
  // The cached pages of an earlier capture would be built in place of the new orders.
  ClearCacheFolder(folder);
  if (!WriteStoredCapture(folder, StoredCaptureText(*capture))) {
    err << StoredCaptureName() << " could not be written; nothing else was written\n";
    ClearCacheFolder(folder);
    return kExitWriteFailed;
  }
  out << capture->orders.size() << " order(s) stored in " << StoredCaptureName() << "\n";
  return ReportBuild(RunTableBuild(folder, options.update), options.update, out, err);
}

}  // namespace

int RunBuildCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                    std::ostream& out, std::ostream& err) {
  const std::optional<Options> options = ParseOptions(args, false, err);
  if (!options) return kExitBadInput;
  if (!TableStateFits(folder, options->update, err)) return kExitBadInput;
  return ReportBuild(RunTableBuild(folder, options->update), options->update, out, err);
}

int RunImportCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                     std::ostream& out, std::ostream& err) {
  const std::optional<Options> options = ParseOptions(args, true, err);
  if (!options) return kExitBadInput;
  // File names are relative to the working folder, like every other name of the tool. A
  // file is a saved page when it holds the page markers, else it is read as a capture.
  std::vector<std::optional<std::string>> bytes;
  std::size_t saved_pages = 0;
  for (const std::string& file : options->files) {
    bytes.push_back(files::ReadWholeFile(folder / file));
    if (bytes.back() && HoldsOrderListPage(*bytes.back())) ++saved_pages;
  }
  if (saved_pages == 0) return ImportCaptures(*options, bytes, folder, out, err);
  if (saved_pages < bytes.size()) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] && !HoldsOrderListPage(*bytes[i]) && MentionsOrderListApi(*bytes[i])) {
        err << options->files[i] << ": a capture of today's order list cannot be joined to"
            << " saved pages of the older one; import it alone\n";
      }
    }
  }
  const auto pages = ReadSavedPages(options->files, bytes, err);
  if (!pages) return kExitBadInput;
  if (!TableStateFits(folder, options->update, err)) return kExitBadInput;
  if (!pages->contains(1)) {
    err << "page 1 is missing: the pages given are " << pages->begin()->first << " and up\n";
    return kExitBadInput;
  }
  // As in the wizard, the total is the one the first page names.
  const std::int64_t total = pages->at(1).total > 0 ? pages->at(1).total : pages->rbegin()->first;
  if (!options->update) {
    for (std::int64_t n = 1; n <= total; ++n) {
      if (!pages->contains(n)) {
        err << "page " << n << " of " << total << " is missing; nothing was written\n";
        return kExitBadInput;
      }
    }
  }

  // The cached page files of an earlier capture would join the new ones in the build.
  ClearCacheFolder(folder);
  int stored = 0;
  for (std::int64_t n = 1;; ++n) {
    const auto page = pages->find(n);
    if (page == pages->end()) {
      // Only an update can get here: no page before this one reaches a known order.
      err << "page " << n << " of " << total << " is missing: none of pages 1 to " << n - 1
          << " holds an order of the table yet; nothing was written\n";
      ClearCacheFolder(folder);
      return kExitBadInput;
    }
    const int number = static_cast<int>(n);
    if (!WriteCachedPage(folder, number, page->second.text)) {
      err << CachedPageName(number) << " could not be written; nothing else was written\n";
      ClearCacheFolder(folder);
      return kExitWriteFailed;
    }
    stored = number;
    if (options->update && PageOverlapsTable(folder, number)) break;
    if (n >= total) break;
  }
  for (auto it = pages->upper_bound(stored); it != pages->end(); ++it) {
    err << it->second.file << ": page " << it->first << " not needed, "
        << (options->update ? "an earlier page reaches the orders of the table"
                            : "the list has " + std::to_string(total) + " pages")
        << "\n";
  }
  out << stored << " page(s) stored in " << kCacheFolder << "/\n";
  return ReportBuild(RunTableBuild(folder, options->update), options->update, out, err);
}

}  // namespace ordertable::cli
