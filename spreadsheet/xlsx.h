#pragma once

#include <string>

#include "spreadsheet/order_sheet.h"

namespace ordertable {

/// The sheet as an Excel workbook (.xlsx) with one worksheet, "Orders": texts as strings
/// (never read as numbers, never run as formulas), numbers as numbers, dates as dates shown
/// yyyy-mm-dd; the header line bold, frozen above the lines and carrying filter buttons.
std::string XlsxWorkbook(const Sheet& sheet);

}  // namespace ordertable
