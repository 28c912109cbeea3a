#include "table/places.h"

#include "orders/page_files.h"
#include "table/assets.h"
#include "table/document.h"

namespace ordertable {

TablePlaces::TablePlaces(const std::filesystem::path& folder)
    : folder(folder),
      document(folder / kTableDocument),
      backup(folder / kTableBackup),
      assets(folder / kAssetFolder),
      cache(folder / kCacheFolder),
      stored_capture(StoredCaptureFile(folder)) {}

}  // namespace ordertable
