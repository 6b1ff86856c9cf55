// Writes the charts of a sheet into the file, through libxlsxwriter's chart objects.
#pragma once

#include <string>
#include <vector>

#include "sheet/memory_workbook.h"

struct lxw_workbook;
struct lxw_worksheet;

namespace tnw::sheet {

// `sheetName` is the name the sheet has in the file (UTF-8). False, with *err, when
// libxlsxwriter refuses a chart.
bool writeCharts(lxw_workbook* book, lxw_worksheet* sheet, const std::string& sheetName,
                 const std::vector<Chart>& charts, std::string* err);

}  // namespace tnw::sheet
