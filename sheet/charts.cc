#include "sheet/charts.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <optional>

#include "sheet/work_threads.h"
#include "sheet/workbook_layout.h"

namespace tnw::sheet {

namespace {

constexpr int32_t kColB = 1, kColC = 2;
constexpr int32_t kFirstChartColumn = 16;  // Q: right of the widest rows a reader writes
constexpr int32_t kChartRowsApart = 22;    // a chart's default height and a little room
constexpr int32_t kChartColumnsApart = 8;  // ...and its width
constexpr int32_t kLastFileRow = 1'048'576;

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The column definitions of a table, in the order of its fields.
struct Definitions {
  std::string section;
  std::vector<std::string> mnemonics;
  int32_t lastRow = 0;
};

// A run of consecutive rows of one table, and the definitions standing before it.
struct Run {
  int32_t firstRow = 0, lastRow = 0;
  const Definitions* definitions = nullptr;
};

struct RowText {
  int32_t row = 0;
  std::string_view section;   // B
  std::string_view mnemonic;  // C, when a text
  bool definitionFill = false;
};

// Calls visit for every row of the sheet in order. The rows are visited, not collected: a gauge
// sheet holds hundreds of thousands of them, and a list of them would outweigh the charts.
template <typename Visit>
void forEachRow(const MemoryWorkbook& book, SheetId sheet, Visit visit) {
  RowText row;
  bool any = false;
  for (size_t i = 0, n = book.cellCount(sheet); i < n; ++i) {
    CellData cell = book.cellAtIndex(sheet, i);
    if (!any || row.row != cell.cell.row) {
      if (any) visit(row);
      row = RowText{};
      row.row = cell.cell.row;
      any = true;
    }
    if (cell.cell.col == kColB && cell.kind == CellKind::kText) row.section = cell.text;
    if (cell.cell.col == kColC) {
      if (cell.kind == CellKind::kText) row.mnemonic = cell.text;
      row.definitionFill = book.style(cell.style).fill == kTableStartFill;
    }
  }
  if (any) visit(row);
}

std::optional<size_t> fieldOf(const Definitions& d, std::string_view mnemonic) {
  auto it = std::find(d.mnemonics.begin(), d.mnemonics.end(), mnemonic);
  if (it == d.mnemonics.end()) return std::nullopt;
  return static_cast<size_t>(it - d.mnemonics.begin());
}

std::optional<size_t> fieldWith(const Definitions& d, bool (*matches)(std::string_view)) {
  for (size_t i = 0; i < d.mnemonics.size(); ++i)
    if (matches(d.mnemonics[i])) return i;
  return std::nullopt;
}

bool isDateCell(const MemoryWorkbook& book, SheetId sheet, Cell cell) {
  auto data = book.cell(sheet, cell);
  return data && data->kind == CellKind::kNumber &&
         book.numberFormat(book.style(data->style).numberFormat) == kDateFormat;
}

// Pressure against time, and temperature against time where the table has it; nothing when
// the definitions name no pressure or no time.
std::vector<Chart> chartsFor(const MemoryWorkbook& book, SheetId sheet, const std::string& table, const Run& run) {
  // Charts are placed on the first sheet and name its rows; a table that begins past them
  // stands on a continuation sheet, where those rows would be other rows or none.
  if (run.firstRow > kLastFileRow) return {};
  const Definitions& d = *run.definitions;
  auto column = [](size_t field) { return kColC + static_cast<int32_t>(field); };
  std::optional<size_t> time = fieldOf(d, "TIME.DAY/HR/SS");
  bool dates = time && isDateCell(book, sheet, {run.firstRow, column(*time)});
  if (!dates) time = fieldWith(d, [](std::string_view m) { return startsWith(m, "TCUM."); });
  std::optional<size_t> pressure = fieldOf(d, "PRGA.KPAA");
  if (!pressure) pressure = fieldWith(d, [](std::string_view m) { return m.ends_with(".KPAA"); });
  if (!time || !pressure) return {};
  std::optional<size_t> temperature = fieldOf(d, "TGA.DEGC");
  std::string xTitle = dates ? "Time" : "Time (" + d.mnemonics[*time] + ")";
  int32_t last = std::min(run.lastRow, kLastFileRow);
  const std::string& sheetName = book.sheetName(sheet);
  std::vector<Chart> out;
  auto chartOf = [&](std::string_view what, size_t field) {
    Chart chart;
    chart.title = sheetName + " - " + table + ": " + std::string(what);
    chart.xTitle = xTitle;
    chart.yTitle = d.mnemonics[field];
    chart.xIsDate = dates;
    chart.series.push_back({table + " " + d.mnemonics[field], run.firstRow, last, column(*time), column(field)});
    return chart;
  };
  out.push_back(chartOf("pressure", *pressure));
  if (temperature) out.push_back(chartOf("temperature", *temperature));
  return out;
}

}  // namespace

std::vector<Chart> planCharts(const MemoryWorkbook& book, SheetId sheet) {
  std::vector<std::unique_ptr<Definitions>> blocks;
  std::map<std::string, Run> longest;  // per table, its longest run of rows
  std::vector<std::string> order;      // tables in the order they appear
  std::string current;                 // the table of the previous row, if it was a table row
  Run run;
  auto endRun = [&] {
    if (current.empty()) return;
    auto [it, added] = longest.try_emplace(current, run);
    if (added) order.push_back(current);
    else if (run.lastRow - run.firstRow > it->second.lastRow - it->second.firstRow) it->second = run;
    current.clear();
  };
  forEachRow(book, sheet, [&](const RowText& row) {
    bool tableRow = startsWith(row.section, "~DT");
    if (tableRow && row.section == current && row.row == run.lastRow + 1) {
      run.lastRow = row.row;
      return;
    }
    endRun();
    if (tableRow) {
      current = std::string(row.section);
      run = {row.row, row.row, blocks.empty() ? nullptr : blocks.back().get()};
    } else if (row.definitionFill && startsWith(row.section, "~") && !row.mnemonic.empty()) {
      if (blocks.empty() || blocks.back()->section != row.section || blocks.back()->lastRow + 1 != row.row)
        blocks.push_back(std::make_unique<Definitions>(Definitions{std::string(row.section), {}, 0}));
      blocks.back()->mnemonics.emplace_back(row.mnemonic);
      blocks.back()->lastRow = row.row;
    }
  });
  endRun();
  std::vector<Chart> charts;
  int32_t placed = 0;
  for (const std::string& table : order) {
    const Run& r = longest[table];
    if (!r.definitions) continue;
    std::vector<Chart> made = chartsFor(book, sheet, table, r);
    for (size_t i = 0; i < made.size(); ++i) {
      made[i].anchor = {2 + placed * kChartRowsApart, kFirstChartColumn + static_cast<int32_t>(i) * kChartColumnsApart};
      charts.push_back(std::move(made[i]));
    }
    if (!made.empty()) ++placed;
  }
  return charts;
}

int32_t addPressureCharts(MemoryWorkbook& book, int threads) {
  // Looking through a sheet reads every cell of it (a gauge sheet holds millions): the sheets are
  // looked through at once, and their charts added in tab order.
  const std::vector<SheetId> sheets = book.sheetOrder();
  std::vector<std::vector<Chart>> planned(sheets.size());
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t i; (i = next.fetch_add(1)) < sheets.size();) planned[i] = planCharts(book, sheets[i]);
  };
  runOnThreads(static_cast<unsigned>(std::min<size_t>(threadsOrCores(threads), sheets.size())), work);
  int32_t added = 0;
  for (size_t i = 0; i < sheets.size(); ++i)
    for (Chart& chart : planned[i]) {
      book.addChart(sheets[i], std::move(chart));
      ++added;
    }
  return added;
}

}  // namespace tnw::sheet
