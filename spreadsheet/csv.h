#pragma once

#include <string>

#include "spreadsheet/order_sheet.h"

namespace ordertable {

/// The sheet as a CSV file for spreadsheet programs: UTF-8 with a byte order mark (without
/// it Excel reads the file in the local code page), the header line, fields separated by
/// commas, lines ended by CR LF, quoted as RFC 4180 says. Text that a spreadsheet would turn
/// into a number or a date is written as ="text", which gives back the text itself: an order
/// id read as a number loses its last digits. Any other text that a spreadsheet would take
/// for a formula (a seller's title starting with =, +, - or @) gets an apostrophe in front.
std::string CsvDocument(const Sheet& sheet);

}  // namespace ordertable
