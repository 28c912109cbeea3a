#include "table/places.h"

#include "orders/page_files.h"
#include "table/assets.h"
#include "table/document.h"

namespace ordertable {

TablePlaces::TablePlaces(const std::filesystem::path& where)
    : folder(where),
      document(where / kTableDocument),
      backup(where / kTableBackup),
      assets(where / kAssetFolder),
      cache(where / kCacheFolder),
      stored_capture(StoredCaptureFile(where)) {}

}  // namespace ordertable
