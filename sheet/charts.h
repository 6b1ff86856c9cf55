// Pressure charts for the sheets that hold gauge tables, worked out from the in-memory workbook
// once the conversion is done: each table whose column definitions name a pressure and a time
// gets a scatter chart of pressure against time, and a second one of temperature where the
// table has one. The charts only refer to the cells; no cell changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sheet/memory_workbook.h"

namespace tnw::sheet {

// Finds the tables on every sheet and adds their charts to the workbook; returns how many. The
// sheets are looked through on up to `threads` threads at once (0: one per core).
int32_t addPressureCharts(MemoryWorkbook& book, int threads = 0);

// The charts of one sheet, as addPressureCharts would add them (exposed for the tests).
std::vector<Chart> planCharts(const MemoryWorkbook& book, SheetId sheet);

}  // namespace tnw::sheet
