#include "sheet/xlsx_writer.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <system_error>
#include <thread>

#include <zlib.h>

#include "pas/text.h"
#include "platform/platform.h"
#include "sheet/parallel_deflate.h"
#include "sheet/picture_info.h"
#include "sheet/text_encoding.h"
#include "sheet/work_threads.h"
#include "sheet/xlsx_charts.h"
#include "sheet/xlsx_template.h"

namespace tnw::sheet {

namespace {

constexpr size_t kMaxTextChars = 32'767;
constexpr size_t kMaxUrlChars = 2'079;
constexpr size_t kMaxTipChars = 255;
constexpr size_t kMaxSheetNameChars = 31;
constexpr size_t kMaxNumberFormatBytes = LXW_FORMAT_FIELD_LEN - 1;  // libxlsxwriter cuts longer
constexpr int32_t kMaxColumns = 16'384;
constexpr double kPointsPerPixel = 0.75;  // pictures carry no resolution: 96 pixels an inch
constexpr double kSlack = 1e-6;           // points; keeps a picture at a cell's edge in that cell

std::string systemMessage(int error) {
  return std::error_code(error, std::generic_category()).message();
}

// The model keeps colours as 0xBBGGRR; libxlsxwriter wants 0xRRGGBB and takes 0 for "unset",
// so black needs the code it reserves for it.
lxw_color_t fileColour(Colour bgr) {
  uint32_t c = static_cast<uint32_t>(bgr) & 0xFFFFFF;
  uint32_t rgb = ((c & 0xFF) << 16) | (c & 0xFF00) | (c >> 16);
  return rgb == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : rgb;
}

// Sheet names clash regardless of case, as the model and the spreadsheet compare them.
std::string foldCase(std::string name) {
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

std::string inQuotes(std::string_view name) { return "\"" + std::string(name) + "\""; }

size_t sequenceLength(unsigned char lead) {
  return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

bool isHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Readers turn "_xHHHH_" into the character it names, so such a literal must be protected.
// An upper-case X is protected too: escaping its underscore never changes what is read.
bool looksEscaped(std::string_view text, size_t at) {
  if (text.size() - at < 7 || text[at] != '_' || (text[at + 1] != 'x' && text[at + 1] != 'X') ||
      text[at + 6] != '_')
    return false;
  return std::all_of(text.begin() + at + 2, text.begin() + at + 6, isHex);
}

// What the character at `at` becomes in the file when it cannot stand as itself; empty when
// it can. Other control characters are libxlsxwriter's to escape.
std::string_view escapeAt(std::string_view utf8, size_t at) {
  if (utf8[at] == '\0') return "_x0000_";  // it would end the C string, and XML has no NUL
  if (looksEscaped(utf8, at)) return "_x005F_";  // the underscore itself
  if (utf8.compare(at, 3, "\xEF\xBF\xBE") == 0) return "_xFFFE_";  // valid UTF-8, not XML
  if (utf8.compare(at, 3, "\xEF\xBF\xBF") == 0) return "_xFFFF_";
  return {};
}

// Where the model's rows land in the file. Rows past the limit continue on further sheets
// ("parts"), each beginning with the sheet's header rows when it has them.
class RowMap {
 public:
  struct Place {
    size_t part;
    int32_t row;  // 1-based, on that part
  };

  RowMap(int32_t maxRows, int32_t repeatedRow, int32_t repeatedCount)
      : maxRows_(maxRows),
        header_(repeatedRow > 0 && repeatedRow - 1 + repeatedCount <= maxRows && maxRows > repeatedCount
                    ? repeatedCount
                    : 0) {}

  Place place(int32_t modelRow) const {
    if (modelRow <= maxRows_) return {0, modelRow};
    int32_t beyond = modelRow - maxRows_ - 1, perPart = maxRows_ - header_;
    return {static_cast<size_t>(1 + beyond / perPart), header_ + beyond % perPart + 1};
  }
  bool repeatsHeader() const { return header_ != 0; }
  int32_t headerRows() const { return header_; }
  int32_t maxRows() const { return maxRows_; }

 private:
  int32_t maxRows_;
  int32_t header_;  // the header rows continuation sheets begin with
};

struct Part {
  lxw_worksheet* worksheet;
  std::string name;  // UTF-8
};

struct PendingMerge {
  int32_t firstRow, firstCol, lastRow, lastCol;  // rows 1-based, on the merge's part
};

// A cell of the file: a part and a place on it.
struct Target {
  const Part& part;
  int32_t row;  // 1-based
  int32_t col;
  lxw_row_t fileRow() const { return static_cast<lxw_row_t>(row - 1); }
  lxw_col_t fileCol() const { return static_cast<lxw_col_t>(col); }
};

// Where a picture's top-left corner falls: a cell and the offset inside it, in pixels.
struct Anchor {
  RowMap::Place at;
  int32_t col = 0;
  int32_t x = 0, y = 0;
};

int32_t pixels(double points) {
  return static_cast<int32_t>(std::clamp(std::lround(points / kPointsPerPixel), 0L, 1L << 30));
}

// The factor that gives a picture of `pixelCount` pixels `points` points; 1 when either is
// unknown (libxlsxwriter reads 0 as "natural size" anyway).
double scaleFor(double points, int32_t pixelCount) {
  if (pixelCount <= 0 || !(points > 0)) return 1.0;
  return points / (pixelCount * kPointsPerPixel);
}

class BookWriter;

// What writing one sheet came to: the first thing that went wrong and what to tell the user.
// Each sheet keeps its own, so that sheets written at the same time share nothing.
struct SheetOutcome {
  std::vector<std::string> warnings;
  std::string problem;

  void warn(std::string line) { warnings.push_back(std::move(line)); }
  bool fail(std::string what) {
    if (problem.empty()) problem = std::move(what);
    return false;
  }
  bool check(lxw_error error, const std::string& where) {
    return error == LXW_NO_ERROR || fail(where + ": " + lxw_strerror(error));
  }
};

// Streams one sheet of the model into its part or parts: first what concerns the whole
// workbook (widths, pictures, charts), then the cells, which touch only the sheet's own parts.
class SheetWriter {
 public:
  SheetWriter(const BookWriter& out, SheetId id, std::vector<Part> parts, int32_t maxRows,
              SheetOutcome& outcome);
  bool prepare();
  bool writeCells(const std::atomic<bool>& stop);

 private:
  void planMerges();
  bool prepare(size_t part);
  bool setWidths(const Part& part);
  int32_t headerRowOn(size_t part, int32_t row) const;
  bool setPanesAndFilter(size_t part);
  bool insertPicture(const Picture& picture);
  Anchor anchorOf(const Rect& place) const;
  double columnPoints(int32_t col) const;
  bool enterPart(size_t part);
  bool issueMerges(size_t part, int32_t upToRow);
  bool writeCell(const Part& part, int32_t row, const CellData& cell);
  bool writeNumber(const Target& target, double value, lxw_format* format);
  bool writeText(const Target& target, std::string_view bytes, lxw_format* format);
  bool checkCell(lxw_error error, const Target& target);
  std::vector<CellData> rowCells(int32_t row) const;
  std::string where(const Target& target) const;
  void countRowsUpTo(int32_t row);

  const BookWriter& out_;
  SheetOutcome& outcome_;
  const MemoryWorkbook& book_;
  SheetId id_;
  std::vector<Part> parts_;
  RowMap rows_;
  std::vector<CellData> header_;                    // repeated at the top of every continuation
  std::vector<std::vector<PendingMerge>> merges_;  // per part, by last row
  std::vector<size_t> nextMerge_;
  size_t current_ = 0;
  int32_t rowsCounted_ = 0;  // rows of the model counted as written
  std::string text_;  // reused for every text, so that a million cells cost no allocations
};

// Writes the whole model into an open libxlsxwriter workbook.
class BookWriter {
 public:
  BookWriter(const MemoryWorkbook& book, const detail::SaveLimits& limits, lxw_workbook* file)
      : book_(book), limits_(limits), file_(file) {}

  bool write();
  const std::string& problem() const { return outcome_.problem; }
  bool cancelled() const {
    return limits_.control && limits_.control->cancel && limits_.control->cancel->load(std::memory_order_relaxed);
  }
  // Counts `rows` more rows as written, and tells the one following the save.
  void addWritten(uint64_t rows) const;
  std::vector<std::string>& warnings() { return outcome_.warnings; }

  const MemoryWorkbook& book() const { return book_; }
  lxw_workbook* file() const { return file_; }
  // The format of a model style; nullptr for the default look. Only formats made by
  // makeFormats exist, so looking one up changes nothing.
  lxw_format* format(uint16_t style) const {
    return style < formats_.size() ? formats_[style] : nullptr;
  }

 private:
  struct SheetPlan {
    SheetId id;
    std::vector<std::string> names;  // of its parts, UTF-8
    bool streamed = true;            // through a temporary file per part, else held in memory
  };
  std::vector<SheetPlan> plan() const;
  void chooseStreamed(std::vector<SheetPlan>& plans) const;
  int32_t lastUsedRow(SheetId id) const;
  bool addParts(const SheetPlan& plan, std::vector<Part>* parts);
  void makeFormats();
  lxw_format* newFormat(const CellStyle& style);
  unsigned threadsFor(size_t sheets) const;

  const MemoryWorkbook& book_;
  detail::SaveLimits limits_;
  lxw_workbook* file_;
  // By the model's style index: the model keeps each distinct style once.
  std::vector<lxw_format*> formats_;
  SheetOutcome outcome_;  // of the workbook as a whole
  uint64_t totalRows_ = 0;
  mutable std::atomic<uint64_t> rowsWritten_{0};
};

// "GAUGE 1 (2)": the base cut so that the whole stays within the limit, numbered past names
// already taken.
std::string continuationName(const std::string& base, int32_t* number,
                             std::set<std::string>* taken) {
  for (;;) {
    std::string suffix = " (" + std::to_string(++*number) + ")";
    std::string name = std::string(cutUtf8(base, kMaxSheetNameChars - suffix.size())) + suffix;
    if (taken->insert(foldCase(name)).second) return name;
  }
}

int32_t pictureRow(const Rect& place) {
  double row = std::floor((place.top + kSlack) / MemoryWorkbook::kDefaultRowHeight);
  return static_cast<int32_t>(std::clamp(row, 0.0, double(INT32_MAX - 1))) + 1;
}

std::vector<BookWriter::SheetPlan> BookWriter::plan() const {
  std::vector<SheetPlan> plans;
  std::set<std::string> taken;
  for (SheetId id : book_.sheetOrder()) {
    plans.push_back({id, {toUtf8(book_.sheetName(id))}});
    taken.insert(foldCase(plans.back().names[0]));
  }
  for (SheetPlan& plan : plans) {
    RowMap rows(limits_.maxRows, book_.repeatedRow(plan.id), book_.repeatedRowCount(plan.id));
    size_t parts = rows.place(lastUsedRow(plan.id)).part + 1;
    int32_t number = 1;
    while (plan.names.size() < parts)
      plan.names.push_back(continuationName(plan.names[0], &number, &taken));
  }
  return plans;
}

// libxlsxwriter's constant_memory mode, which keeps a large sheet small, holds a temporary
// file open for every sheet until the workbook is closed and gives each a table of 16,384
// column pointers: 20,000 one-row gauge sheets would need 20,000 open files and 2.6 GB. So
// only the largest sheets are streamed; the others, smaller than any streamed one, are kept in
// libxlsxwriter's memory, which grows with their cells alone. An ordinary workbook has far
// fewer sheets than the limit and is streamed whole, as it always was.
void BookWriter::chooseStreamed(std::vector<SheetPlan>& plans) const {
  size_t parts = 0;
  for (const SheetPlan& plan : plans) parts += plan.names.size();
  if (parts <= limits_.maxStreamedSheets) return;
  std::vector<size_t> bySize(plans.size());
  for (size_t i = 0; i < bySize.size(); ++i) bySize[i] = i;
  std::stable_sort(bySize.begin(), bySize.end(), [&](size_t a, size_t b) {
    return book_.cellCount(plans[a].id) > book_.cellCount(plans[b].id);
  });
  size_t streamedParts = 0;
  for (size_t i : bySize) {
    plans[i].streamed = streamedParts + plans[i].names.size() <= limits_.maxStreamedSheets;
    if (plans[i].streamed) streamedParts += plans[i].names.size();
  }
}

// Merges and pictures may lie below the last cell and need their part too.
int32_t BookWriter::lastUsedRow(SheetId id) const {
  int32_t last = book_.lastRow(id);
  for (const Range& merge : book_.merges(id)) last = std::max(last, merge.last.row);
  for (const Picture& picture : book_.pictures(id))
    last = std::max(last, pictureRow(picture.place));
  return last;
}

void BookWriter::addWritten(uint64_t rows) const {
  uint64_t written = rowsWritten_.fetch_add(rows, std::memory_order_relaxed) + rows;
  if (limits_.control && limits_.control->progress) limits_.control->progress(written, totalRows_);
}

bool BookWriter::write() {
  std::vector<SheetPlan> plans = plan();
  chooseStreamed(plans);
  for (const SheetPlan& plan : plans) totalRows_ += static_cast<uint64_t>(std::max(0, book_.lastRow(plan.id)));
  makeFormats();
  std::vector<SheetOutcome> outcomes(plans.size());
  std::vector<std::unique_ptr<SheetWriter>> sheets;
  auto gather = [&] {
    bool ok = outcome_.problem.empty();
    for (SheetOutcome& sheet : outcomes) {
      for (std::string& line : sheet.warnings) outcome_.warn(std::move(line));
      if (ok && !sheet.problem.empty()) ok = outcome_.fail(sheet.problem);
    }
    return ok;
  };
  for (size_t i = 0; i < plans.size(); ++i) {
    const SheetPlan& plan = plans[i];
    std::vector<Part> parts;
    if (cancelled() || !addParts(plan, &parts)) return gather();
    if (plan.id == book_.activeSheet()) {
      worksheet_activate(parts[0].worksheet);
      worksheet_set_first_sheet(parts[0].worksheet);
    }
    for (size_t p = 1; p < parts.size(); ++p)
      outcomes[i].warn("sheet " + inQuotes(plan.names[0]) + " has more rows than a sheet can hold (" +
                       pas::withSeparators(limits_.maxRows) + "); they continue on sheet " +
                       inQuotes(parts[p].name));
    sheets.push_back(std::make_unique<SheetWriter>(*this, plan.id, std::move(parts), limits_.maxRows, outcomes[i]));
    if (!sheets.back()->prepare()) return gather();
  }

  // Streamed sheets share nothing and are written at once, the largest first, so that no
  // thread is left with a big one at the end. Texts of held sheets go to the workbook's one
  // table of shared strings, which takes them in the order they come: this thread writes
  // those sheets, one after another in tab order, so every save makes the same file.
  std::vector<size_t> order, held;
  for (size_t i = 0; i < sheets.size(); ++i) (plans[i].streamed ? order : held).push_back(i);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return book_.cellCount(plans[a].id) > book_.cellCount(plans[b].id);
  });
  std::atomic<size_t> next{0};
  std::atomic<bool> stop{false};
  auto work = [&] {
    for (size_t i; (i = next.fetch_add(1)) < order.size();)
      if (!sheets[order[i]]->writeCells(stop)) stop = true;
    platform::handOverLibraryWrites();
  };
  platform::handOverLibraryWrites();  // what this thread wrote while preparing the sheets
  runOnThreads(threadsFor(order.size()), work, [&] {
    for (size_t i : held)
      if (stop || !sheets[i]->writeCells(stop)) {
        stop = true;
        return;
      }
  });
  return gather();
}

// Formatting numbers and escaping texts for the file is most of the work of a save, and each
// sheet's cells go to a temporary file of their own: a workbook of several large sheets is
// written a sheet per core.
unsigned BookWriter::threadsFor(size_t sheets) const {
  return static_cast<unsigned>(std::min<size_t>(threadsOrCores(limits_.threads), std::max<size_t>(sheets, 1)));
}

bool BookWriter::addParts(const SheetPlan& plan, std::vector<Part>* parts) {
  for (const std::string& name : plan.names) {
    std::string where = "sheet " + inQuotes(name);
    if (!outcome_.check(workbook_validate_sheet_name(file_, name.c_str()), where)) return false;
    errno = 0;
    // libxlsxwriter takes the mode of a sheet from the workbook's options when the sheet is
    // added, and reads it from the sheet from then on.
    file_->options.constant_memory = plan.streamed ? LXW_TRUE : LXW_FALSE;
    lxw_worksheet* worksheet = workbook_add_worksheet(file_, name.c_str());
    // In constant_memory mode every sheet gets a temporary file, so this can fail for lack
    // of room in the temporary folder.
    if (!worksheet)
      return outcome_.fail(where + ": cannot be added (" + systemMessage(errno ? errno : ENOMEM) + ")");
    parts->push_back({worksheet, name});
  }
  return true;
}

// A workbook uses few of the styles the model knows; formats are made for those its cells use,
// in the order the cells first use them, and each is given its index in the file at once.
// libxlsxwriter would give the index when it first writes a cell of the format, changing a
// table all sheets share; given here, writing the sheets only reads the formats.
void BookWriter::makeFormats() {
  std::vector<bool> seen(book_.styleCount(), false);
  formats_.assign(book_.styleCount(), nullptr);
  for (SheetId id : book_.sheetOrder()) {
    for (size_t i = 0, n = book_.cellCount(id); i < n; ++i) {
      uint16_t style = book_.cellAtIndex(id, i).style;
      if (style >= seen.size() || seen[style]) continue;
      seen[style] = true;
      if (book_.style(style) == CellStyle{}) continue;
      if (lxw_format* made = newFormat(book_.style(style))) {
        lxw_format_get_xf_index(made);
        formats_[style] = made;
      }
    }
  }
}

lxw_format* BookWriter::newFormat(const CellStyle& style) {
  lxw_format* format = workbook_add_format(file_);
  if (!format) return nullptr;  // out of memory: the cell keeps the default look
  if (style.bold) format_set_bold(format);
  if (style.italic) format_set_italic(format);
  if (style.fontColour != kNoColour) format_set_font_color(format, fileColour(style.fontColour));
  if (style.fill != kNoColour) {
    format_set_pattern(format, LXW_PATTERN_SOLID);
    format_set_bg_color(format, fileColour(style.fill));
  }
  if (style.numberFormat != 0) {
    std::string text = toUtf8(book_.numberFormat(style.numberFormat));
    if (text.size() <= kMaxNumberFormatBytes)
      format_set_num_format(format, text.c_str());
    else  // a cut format would be a broken one
      outcome_.warn("number format " + inQuotes(text) + " is longer than " +
           std::to_string(kMaxNumberFormatBytes) + " bytes; its cells show as General");
  }
  return format;
}

SheetWriter::SheetWriter(const BookWriter& out, SheetId id, std::vector<Part> parts, int32_t maxRows,
                         SheetOutcome& outcome)
    : out_(out),
      outcome_(outcome),
      book_(out.book()),
      id_(id),
      parts_(std::move(parts)),
      rows_(maxRows, book_.repeatedRow(id), book_.repeatedRowCount(id)) {
  if (parts_.size() > 1)
    for (int32_t row = 0; row < rows_.headerRows(); ++row) {
      std::vector<CellData> cells = rowCells(book_.repeatedRow(id) + row);
      header_.insert(header_.end(), cells.begin(), cells.end());
    }
}

bool SheetWriter::prepare() {
  planMerges();
  for (size_t part = 0; part < parts_.size(); ++part)
    if (!prepare(part)) return false;
  return true;
}

// Every few thousand cells the writer looks whether another sheet failed or the user cancelled,
// and tells how far it got: a few milliseconds apart, and no cost worth naming per cell.
bool SheetWriter::writeCells(const std::atomic<bool>& stop) {
  constexpr size_t kStopCheck = 1 << 14;
  for (size_t i = 0, n = book_.cellCount(id_); i < n; ++i) {
    CellData cell = book_.cellAtIndex(id_, i);
    if (i % kStopCheck == 0) {
      if (stop.load(std::memory_order_relaxed) || out_.cancelled()) return false;
      countRowsUpTo(cell.cell.row - 1);
    }
    RowMap::Place at = rows_.place(cell.cell.row);
    if (!enterPart(at.part) || !issueMerges(at.part, at.row) ||
        !writeCell(parts_[at.part], at.row, cell))
      return false;
  }
  if (!enterPart(parts_.size() - 1) || !issueMerges(current_, INT32_MAX)) return false;
  countRowsUpTo(book_.lastRow(id_));
  return true;
}

void SheetWriter::countRowsUpTo(int32_t row) {
  if (row <= rowsCounted_) return;
  out_.addWritten(static_cast<uint64_t>(row - rowsCounted_));
  rowsCounted_ = row;
}

// Cells of a row, found by halving: the cells are kept in row order.
std::vector<CellData> SheetWriter::rowCells(int32_t row) const {
  size_t low = 0, high = book_.cellCount(id_);
  while (low < high) {
    size_t middle = low + (high - low) / 2;
    if (book_.cellAtIndex(id_, middle).cell.row < row) low = middle + 1; else high = middle;
  }
  std::vector<CellData> cells;
  for (; low < book_.cellCount(id_) && book_.cellAtIndex(id_, low).cell.row == row; ++low)
    cells.push_back(book_.cellAtIndex(id_, low));
  return cells;
}

bool overlaps(const Range& a, const Range& b) {
  return a.first.row <= b.last.row && b.first.row <= a.last.row && a.first.col <= b.last.col &&
         b.first.col <= a.last.col;
}

std::string rangeName(const Range& range) {
  return cellName(range.first) + ":" + cellName(range.last);
}

// Overlapping merges make a file the spreadsheet must repair, and libxlsxwriter 1.1.4 does
// not refuse them; a merge cannot span two parts.
void SheetWriter::planMerges() {
  merges_.assign(parts_.size(), {});
  nextMerge_.assign(parts_.size(), 0);
  std::vector<Range> kept;
  std::string sheet = "sheet " + inQuotes(parts_[0].name);
  for (const Range& merge : book_.merges(id_)) {
    if (merge.first == merge.last) continue;  // merging one cell changes nothing
    auto overlapping = [&](const Range& other) { return overlaps(other, merge); };
    if (std::any_of(kept.begin(), kept.end(), overlapping)) {
      outcome_.warn(sheet + ": merge " + rangeName(merge) + " overlaps another one and is left out");
      continue;
    }
    kept.push_back(merge);
    RowMap::Place top = rows_.place(merge.first.row), bottom = rows_.place(merge.last.row);
    if (top.part != bottom.part) {
      outcome_.warn(sheet + ": merge " + rangeName(merge) + " crosses the row limit and is left out");
      continue;
    }
    merges_[top.part].push_back({top.row, merge.first.col, bottom.row, merge.last.col});
  }
  for (auto& list : merges_)
    std::stable_sort(list.begin(), list.end(), [](const PendingMerge& a, const PendingMerge& b) {
      return a.lastRow < b.lastRow;
    });
}

// Widths and pictures do not depend on the row order, so each part gets them at the start.
bool SheetWriter::prepare(size_t part) {
  if (!setWidths(parts_[part]) || !setPanesAndFilter(part)) return false;
  for (const Picture& picture : book_.pictures(id_))
    if (anchorOf(picture.place).at.part == part && !insertPicture(picture)) return false;
  // Charts show the rows a sheet holds before any continuation: they sit on its first part.
  std::string problem;
  if (part == 0 && !writeCharts(out_.file(), parts_[0].worksheet, parts_[0].name, book_.charts(id_), &problem))
    return outcome_.fail("sheet " + inQuotes(parts_[0].name) + ": " + problem);
  return true;
}

// Where a row of the header lands on a part: itself on the first, its place among the
// repeated header rows on a continuation; 0 when a continuation does not repeat it.
int32_t SheetWriter::headerRowOn(size_t part, int32_t row) const {
  if (part == 0) return row;
  int32_t at = row - book_.repeatedRow(id_) + 1;
  return rows_.repeatsHeader() && at >= 1 && at <= rows_.headerRows() + 1 ? at : 0;
}

// Every part keeps the sheet's frozen panes and filter, so that a continuation reads like the
// sheet it continues.
bool SheetWriter::setPanesAndFilter(size_t part) {
  const Part& p = parts_[part];
  if (std::optional<Cell> frozen = book_.frozenAt(id_)) {
    int32_t row = headerRowOn(part, frozen->row);
    if (row > 1 || frozen->col > 0)
      worksheet_freeze_panes(p.worksheet, static_cast<lxw_row_t>(std::max(row, 1) - 1),
                             static_cast<lxw_col_t>(frozen->col));
  }
  std::optional<Range> filter = book_.autoFilter(id_);
  if (!filter) return true;
  int32_t top = headerRowOn(part, filter->first.row);
  RowMap::Place end = rows_.place(filter->last.row);
  if (top == 0 || (part > 0 && top > rows_.headerRows()) || end.part < part) return true;
  int32_t bottom = end.part == part ? end.row : rows_.maxRows();
  lxw_error error = worksheet_autofilter(p.worksheet, static_cast<lxw_row_t>(top - 1),
                                         static_cast<lxw_col_t>(filter->first.col),
                                         static_cast<lxw_row_t>(std::max(bottom, top) - 1),
                                         static_cast<lxw_col_t>(filter->last.col));
  return outcome_.check(error, "sheet " + inQuotes(p.name) + ", filter");
}

bool SheetWriter::setWidths(const Part& part) {
  for (auto [col, width] : book_.columnWidths(id_)) {
    lxw_error error = worksheet_set_column(part.worksheet, static_cast<lxw_col_t>(col),
                                           static_cast<lxw_col_t>(col), width, nullptr);
    if (!outcome_.check(error, "sheet " + inQuotes(part.name) + ", column " + columnName(col)))
      return false;
  }
  return true;
}

bool SheetWriter::insertPicture(const Picture& picture) {
  Anchor anchor = anchorOf(picture.place);
  const Part& part = parts_[anchor.at.part];
  std::string where = "sheet " + inQuotes(part.name) + ", picture at " +
                      cellName({anchor.at.row, anchor.col});
  PictureInfo info;
  std::string problem;
  if (!readPictureInfo(picture.path, &info, &problem)) return outcome_.fail(where + ": " + problem);

  std::string url = toUtf8(picture.address), tip = toUtf8(picture.screenTip);
  // libxlsxwriter would drop an over-long link with nothing but a line on stderr.
  if (utf8CharCount(url) > kMaxUrlChars) {
    outcome_.warn(where + ": its link is longer than " + pas::withSeparators(kMaxUrlChars) +
              " characters and is left out");
    url.clear();
  }
  if (utf8CharCount(tip) > kMaxTipChars) {
    outcome_.warn(where + ": its screen tip is cut to " + std::to_string(kMaxTipChars) + " characters");
    tip = std::string(cutUtf8(tip, kMaxTipChars));
  }
  // Spreadsheets show the file name as the picture's description; it must be UTF-8 too.
  std::string description = toUtf8(platform::fileName(picture.path));

  lxw_image_options options{};
  options.x_offset = anchor.x;
  options.y_offset = anchor.y;
  options.x_scale = scaleFor(picture.place.width, info.widthPx);
  options.y_scale = scaleFor(picture.place.height, info.heightPx);
  options.description = description.data();
  if (!url.empty()) options.url = url.data();
  if (!url.empty() && !tip.empty()) options.tip = tip.data();
  lxw_error error = worksheet_insert_image_opt(part.worksheet, anchor.at.row - 1,
                                               static_cast<lxw_col_t>(anchor.col),
                                               picture.path.c_str(), &options);
  return outcome_.check(error, where);
}

// The model measures columns as the spreadsheet does; the place was computed that way.
double SheetWriter::columnPoints(int32_t col) const {
  const auto& widths = book_.columnWidths(id_);
  auto it = widths.find(col);
  double characters = it == widths.end() ? MemoryWorkbook::kDefaultColumnWidth : it->second;
  return MemoryWorkbook::columnWidthInPoints(characters);
}

Anchor SheetWriter::anchorOf(const Rect& place) const {
  Anchor anchor;
  double left = 0;
  while (anchor.col + 1 < kMaxColumns && left + columnPoints(anchor.col) <= place.left + kSlack)
    left += columnPoints(anchor.col++);
  int32_t row = pictureRow(place);
  anchor.at = rows_.place(row);
  anchor.x = pixels(place.left - left);
  anchor.y = pixels(place.top - (row - 1) * MemoryWorkbook::kDefaultRowHeight);
  return anchor;
}

// Moving on to a later part finishes the ones before it; a continuation starts with the
// header row.
bool SheetWriter::enterPart(size_t part) {
  while (current_ < part) {
    if (!issueMerges(current_, INT32_MAX)) return false;
    ++current_;
    for (const CellData& cell : header_)
      if (!writeCell(parts_[current_], cell.cell.row - book_.repeatedRow(id_) + 1, cell)) return false;
  }
  return true;
}

// libxlsxwriter's constant_memory mode accepts a merge only while its last row is not yet
// behind the current row, and a merge given a format would pad its area with blanks that
// move the current row on. So merges go without a format, after every cell of the rows
// before their last row and before any cell of that row.
bool SheetWriter::issueMerges(size_t part, int32_t upToRow) {
  const std::vector<PendingMerge>& list = merges_[part];
  for (size_t& next = nextMerge_[part]; next < list.size() && list[next].lastRow <= upToRow;
       ++next) {
    const PendingMerge& m = list[next];
    lxw_error error = worksheet_merge_range(parts_[part].worksheet, m.firstRow - 1,
                                            static_cast<lxw_col_t>(m.firstCol), m.lastRow - 1,
                                            static_cast<lxw_col_t>(m.lastCol), nullptr, nullptr);
    Range range({m.firstRow, m.firstCol}, {m.lastRow, m.lastCol});
    if (!outcome_.check(error, "sheet " + inQuotes(parts_[part].name) + ", merge " + rangeName(range)))
      return false;
  }
  return true;
}

bool SheetWriter::writeCell(const Part& part, int32_t row, const CellData& cell) {
  lxw_format* format = out_.format(cell.style);
  Target target{part, row, cell.cell.col};
  switch (cell.kind) {
    case CellKind::kNumber: return writeNumber(target, cell.number, format);
    case CellKind::kText: return writeText(target, cell.text, format);
    case CellKind::kBlank: break;
  }
  if (!format) return true;  // a blank without a format is no cell at all
  return checkCell(
      worksheet_write_blank(part.worksheet, target.fileRow(), target.fileCol(), format), target);
}

bool SheetWriter::writeNumber(const Target& target, double value, lxw_format* format) {
  lxw_worksheet* sheet = target.part.worksheet;
  lxw_row_t r = target.fileRow();
  lxw_col_t c = target.fileCol();
  if (std::isfinite(value))
    return checkCell(worksheet_write_number(sheet, r, c, value, format), target);
  // The file format has no NaN or infinity; libxlsxwriter would write "-NAN" and break it.
  const char* text = std::isnan(value) ? "NaN" : value > 0 ? "Infinity" : "-Infinity";
  outcome_.warn(where(target) + ": the number " + text + " cannot be stored; written as text");
  return checkCell(worksheet_write_string(sheet, r, c, text, format), target);
}

bool SheetWriter::writeText(const Target& target, std::string_view bytes, lxw_format* format) {
  text_.clear();
  if (!detail::appendFileText(bytes, kMaxTextChars, &text_))
    outcome_.warn(where(target) + ": text cut to the " + pas::withSeparators(kMaxTextChars) +
              " characters a cell can hold");
  // libxlsxwriter skips an empty text; a styled empty cell must keep its style.
  if (text_.empty() && !format) return true;
  lxw_worksheet* sheet = target.part.worksheet;
  lxw_row_t r = target.fileRow();
  lxw_col_t c = target.fileCol();
  lxw_error error = text_.empty() ? worksheet_write_blank(sheet, r, c, format)
                                  : worksheet_write_string(sheet, r, c, text_.c_str(), format);
  return checkCell(error, target);
}

// The place is only spelled out when something failed: most saves write millions of cells.
bool SheetWriter::checkCell(lxw_error error, const Target& target) {
  return error == LXW_NO_ERROR || outcome_.check(error, where(target));
}

std::string SheetWriter::where(const Target& target) const {
  return "sheet " + inQuotes(target.part.name) + ", cell " + cellName({target.row, target.col});
}

// A fresh name beside the target, so that publishing the file is a rename within one file
// system. The exclusive mode makes sure no one else's file is taken over.
bool createTempFile(const std::string& path, std::string* temp, std::string* problem) {
  static std::atomic<uint32_t> calls{0};
  std::mt19937 random(std::random_device{}() ^ calls.fetch_add(1));
  const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = path + ".tmp-";
    for (int i = 0; i < 6; ++i) name += letters[random() % (sizeof letters - 1)];
    platform::NewFile made = platform::createNewFile(name, problem);
    if (made == platform::NewFile::kCreated) {
      *temp = name;
      return true;
    }
    if (made == platform::NewFile::kFailed) return false;
  }
  *problem = "no unused temporary file name";
  return false;
}

// libxlsxwriter reports what failed while writing; errno, when set, says why.
std::string closeProblem(lxw_error error, int savedErrno) {
  std::string text = lxw_strerror(error);
  return savedErrno != 0 ? systemMessage(savedErrno) + " (" + text + ")" : text;
}

uint32_t little(const unsigned char* bytes, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

// The closing tag of the root element, as the document's beginning names it.
std::string rootEndTag(std::string_view head) {
  size_t at = head.find('<');
  while (at != std::string_view::npos && at + 1 < head.size() &&
         (head[at + 1] == '?' || head[at + 1] == '!'))
    at = head.find('<', at + 1);
  if (at == std::string_view::npos) return {};
  size_t end = head.find_first_of(" \t\r\n/>", at + 1);
  if (end == std::string_view::npos) return {};
  return "</" + std::string(head.substr(at + 1, end - at - 1)) + ">";
}

// libxlsxwriter stages every part of the file in temporary files without checking those
// writes: a full temporary folder leaves a part cut short, and workbook_close still reports
// success. So the finished file is read back, and every XML part must be whole.
class PackageCheck {
 public:
  PackageCheck(const std::string& path, const std::atomic<bool>* cancel,
               const std::map<std::string, DeflatedPart>& deflated)
      : in_(platform::pathFromUtf8(path), std::ios::binary), cancel_(cancel), deflated_(deflated) {}
  bool run(std::string* problem);

 private:
  struct Entry {
    std::string name;
    uint32_t method = 0, crc = 0, packed = 0, size = 0, offset = 0;
  };
  bool readAt(std::streamoff at, size_t count, std::vector<unsigned char>* out);
  bool readDirectory(std::vector<Entry>* entries);
  bool readEntry(const Entry& entry, std::string* head, std::string* tail);
  bool inflateFrom(std::streamoff data, const Entry& entry, std::string* head, std::string* tail);

  static constexpr size_t kKept = DeflatedPart::kEnds;  // bytes kept of each end of a part
  std::ifstream in_;
  const std::atomic<bool>* cancel_;  // the check of a large sheet takes a second: it stops too
  // The large parts, whose ends were kept as they were compressed: they are not read back.
  const std::map<std::string, DeflatedPart>& deflated_;
};

bool PackageCheck::run(std::string* problem) {
  std::vector<Entry> entries;
  if (!readDirectory(&entries)) {
    *problem = "the written file cannot be read back as a zip archive";
    return false;
  }
  for (const Entry& entry : entries) {
    if (!entry.name.ends_with(".xml") && !entry.name.ends_with(".rels")) continue;
    std::string head, tail;
    auto known = deflated_.find(entry.name);
    bool whole;
    if (known != deflated_.end() && known->second.size == entry.size && known->second.crc == entry.crc) {
      head = known->second.head;
      tail = known->second.tail;
      whole = true;
    } else {
      whole = readEntry(entry, &head, &tail);
    }
    if (cancel_ && cancel_->load(std::memory_order_relaxed)) return *problem = kSaveCancelled, false;
    while (!tail.empty() && std::isspace(static_cast<unsigned char>(tail.back()))) tail.pop_back();
    std::string endTag = rootEndTag(head);
    if (!whole || endTag.empty() || !tail.ends_with(endTag)) {
      *problem = "its part " + entry.name +
                 " came out incomplete: libxlsxwriter could not write its temporary files "
                 "(is the temporary folder full?)";
      return false;
    }
  }
  return true;
}

bool PackageCheck::readAt(std::streamoff at, size_t count, std::vector<unsigned char>* out) {
  out->resize(count);
  in_.clear();
  in_.seekg(at);
  in_.read(reinterpret_cast<char*>(out->data()), static_cast<std::streamsize>(count));
  return static_cast<size_t>(in_.gcount()) == count;
}

// The table of contents at the end of the zip archive.
bool PackageCheck::readDirectory(std::vector<Entry>* entries) {
  in_.seekg(0, std::ios::end);
  std::streamoff length = in_.tellg();
  size_t tailLength = static_cast<size_t>(std::min<std::streamoff>(length, 22 + 0xFFFF));
  std::vector<unsigned char> tail, directory;
  if (length < 22 || !readAt(length - static_cast<std::streamoff>(tailLength), tailLength, &tail))
    return false;
  size_t end = tail.size() - 22;
  while (little(&tail[end], 4) != 0x06054b50)
    if (end-- == 0) return false;
  uint32_t count = little(&tail[end + 10], 2);
  if (!readAt(little(&tail[end + 16], 4), little(&tail[end + 12], 4), &directory)) return false;
  for (size_t at = 0; count-- > 0;) {
    const unsigned char* p = directory.data() + at;
    if (at + 46 > directory.size() || little(p, 4) != 0x02014b50) return false;
    size_t nameLength = little(p + 28, 2);
    if (at + 46 + nameLength > directory.size()) return false;
    entries->push_back({std::string(reinterpret_cast<const char*>(p + 46), nameLength),
                        little(p + 10, 2), little(p + 16, 4), little(p + 20, 4), little(p + 24, 4),
                        little(p + 42, 4)});
    at += 46 + nameLength + little(p + 30, 2) + little(p + 32, 2);
  }
  return true;
}

bool PackageCheck::readEntry(const Entry& entry, std::string* head, std::string* tail) {
  std::vector<unsigned char> local;
  if (entry.method != Z_DEFLATED || !readAt(entry.offset, 30, &local) ||
      little(local.data(), 4) != 0x04034b50)
    return false;
  return inflateFrom(entry.offset + 30 + little(&local[26], 2) + little(&local[28], 2), entry, head,
                     tail);
}

// Inflates a part to check its length and checksum, keeping only its two ends.
bool PackageCheck::inflateFrom(std::streamoff data, const Entry& entry, std::string* head,
                               std::string* tail) {
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
  std::vector<unsigned char> input(1 << 16), output(1 << 16);
  uint32_t left = entry.packed, crc = crc32(0, nullptr, 0);
  uint64_t total = 0;
  int status = Z_OK;
  in_.clear();
  in_.seekg(data);
  while (status == Z_OK && !(cancel_ && cancel_->load(std::memory_order_relaxed))) {
    if (z.avail_in == 0 && left > 0) {
      uInt chunk = static_cast<uInt>(std::min<size_t>(left, input.size()));
      if (!in_.read(reinterpret_cast<char*>(input.data()), chunk)) break;
      z.next_in = input.data();
      z.avail_in = chunk;
      left -= chunk;
    }
    z.next_out = output.data();
    z.avail_out = static_cast<uInt>(output.size());
    status = inflate(&z, Z_NO_FLUSH);
    size_t produced = output.size() - z.avail_out;
    crc = static_cast<uint32_t>(crc32(crc, output.data(), static_cast<uInt>(produced)));
    total += produced;
    const char* bytes = reinterpret_cast<const char*>(output.data());
    head->append(bytes, std::min(produced, kKept - std::min(kKept, head->size())));
    tail->append(bytes + produced - std::min(produced, kKept), std::min(produced, kKept));
    if (tail->size() > kKept) tail->erase(0, tail->size() - kKept);
  }
  inflateEnd(&z);
  return status == Z_STREAM_END && total == entry.size && crc == entry.crc;
}

// Frees a workbook without writing it, which workbook_close would do first, compressing every
// row written so far. libxlsxwriter's free leaves the temporary file of a streamed sheet open
// (the close reads it into the package and closes it), so that is closed here; it goes away
// with its handle.
void discardWorkbook(lxw_workbook* file) {
  platform::handOverLibraryWrites();
  lxw_worksheet* worksheet;
  LXW_FOREACH_WORKSHEET(worksheet, file) {
    if (worksheet->optimize_tmpfile) std::fclose(worksheet->optimize_tmpfile);
    worksheet->optimize_tmpfile = nullptr;
    worksheet->file = nullptr;
  }
  lxw_workbook_free(file);
}

bool writeAndClose(const MemoryWorkbook& book, const detail::SaveLimits& limits,
                   const std::string& temp, std::vector<std::string>* warnings,
                   std::string* problem) {
  const std::atomic<bool>* cancel = limits.control ? limits.control->cancel : nullptr;
  auto cancelled = [&] { return cancel && cancel->load(std::memory_order_relaxed); };
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* file = workbook_new_opt(temp.c_str(), &options);
  if (!file) {
    *problem = "libxlsxwriter cannot start a workbook";
    return false;
  }
  BookWriter writer(book, limits, file);
  bool written = writer.write();
  if (cancelled()) {
    discardWorkbook(file);
    *problem = kSaveCancelled;
    return false;
  }
  errno = 0;
  // The large parts compressed on the save's threads, and stopped between blocks by a cancel.
  std::map<std::string, DeflatedPart> deflated;
  DeflateOptions deflate{.threads = limits.threads > 0 ? static_cast<unsigned>(limits.threads) : 0u,
                         .cancel = cancel,
                         .parts = &deflated};
  DeflateScope compressing(deflate);
  lxw_error closed = workbook_close(file);  // also frees it, after a failure too
  int closeErrno = errno;
  *warnings = std::move(writer.warnings());
  if (cancelled()) *problem = kSaveCancelled;
  else if (!written) *problem = writer.problem();
  else if (closed != LXW_NO_ERROR) *problem = closeProblem(closed, closeErrno);
  else if (limits.asTemplate && !markPackageAsTemplate(temp, problem)) return false;
  else if (cancelled()) *problem = kSaveCancelled;
  else return PackageCheck(temp, cancel, deflated).run(problem);
  return false;
}

}  // namespace

namespace detail {

bool appendFileText(std::string_view bytes, size_t maxChars, std::string* out) {
  std::string converted;
  std::string_view utf8 = bytes;
  if (needsConversion(bytes) && !isValidUtf8(bytes)) {
    converted = toUtf8(bytes);
    utf8 = converted;
  }
  size_t chars = 0;
  for (size_t at = 0; at < utf8.size();) {
    size_t length = sequenceLength(static_cast<unsigned char>(utf8[at]));
    std::string_view escape = escapeAt(utf8, at);
    size_t cost = escape.empty() ? 1 : escape.size();  // libxlsxwriter counts an escape in full
    if (chars + cost > maxChars) return false;
    if (escape.empty()) out->append(utf8.substr(at, length)); else out->append(escape);
    chars += cost;
    at += length;
  }
  return true;
}

bool saveXlsx(const MemoryWorkbook& book, const std::string& path, const SaveLimits& limits,
              SaveReport* report, std::string* err) {
  std::string temp, problem;
  std::vector<std::string> warnings;
  // The rename that publishes the file would put it in the place of a device or a pipe
  // (-o /dev/null, run as root, would replace the system's /dev/null). A folder refuses the
  // rename by itself.
  if (platform::isSpecialFile(path)) {
    if (err) *err = "cannot write " + path + ": it is not a regular file";
    return false;
  }
  // A rename replaces a file even where it is marked read-only (on Linux, and under Wine);
  // its owner said it is not to change.
  if (platform::isReadOnly(path)) {
    if (err) *err = "cannot write " + path + ": it is read-only";
    return false;
  }
  platform::raiseOpenFileLimit();
  bool ok = createTempFile(path, &temp, &problem) &&
            writeAndClose(book, limits, temp, &warnings, &problem);
  // The last moment a cancel can keep the file from appearing (or from replacing one there).
  if (ok && limits.control && limits.control->cancel && limits.control->cancel->load()) {
    ok = false;
    problem = kSaveCancelled;
  }
  if (ok) {
    ok = platform::replaceFile(temp, path, &problem);
  }
  if (!ok) {
    std::error_code ignored;
    if (!temp.empty()) std::filesystem::remove(platform::pathFromUtf8(temp), ignored);
    if (err) *err = "cannot write " + path + ": " + problem;
    return false;
  }
  if (report) report->warnings.insert(report->warnings.end(), warnings.begin(), warnings.end());
  return true;
}

}  // namespace detail

bool saveXlsx(const MemoryWorkbook& book, const std::string& path, SaveReport* report,
              std::string* err, int threads, const SaveControl* control) {
  return detail::saveXlsx(book, path, detail::SaveLimits{.threads = threads, .control = control}, report, err);
}

bool saveXltx(const MemoryWorkbook& book, const std::string& path, SaveReport* report,
              std::string* err, int threads, const SaveControl* control) {
  return detail::saveXlsx(book, path,
                          detail::SaveLimits{.threads = threads, .asTemplate = true, .control = control},
                          report, err);
}

}  // namespace tnw::sheet
