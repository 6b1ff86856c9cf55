// Saves an in-memory workbook as an .xlsx file with libxlsxwriter, streaming each sheet in row
// order (its constant_memory mode) so that a million-row conversion stays small in memory.
//
// The file format's limits are handled here, never left to corrupt the file: rows past the
// last row continue on a sheet of their own, over-long texts are cut, numbers the format cannot
// hold are written as text. Each such event is reported as one warning line.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/memory_workbook.h"

namespace tnw::sheet {

struct SaveReport {
  // One line per limit event, naming the sheet (and cell) it happened on.
  std::vector<std::string> warnings;
};

// How a save on one thread is followed and stopped from another. The zero values: nothing is
// told, and the save is never stopped.
struct SaveControl {
  // Once set, the save stops at its next row (a few thousand rows at most) and keeps no file.
  // The compression at the end stops at the next megabyte of a large part; the small parts are
  // compressed in one call that cannot be interrupted. The save then fails with kSaveCancelled.
  const std::atomic<bool>* cancel = nullptr;
  // The rows written so far, of all the workbook's sheets, and their total: now and then while
  // the rows are written, and once with written == total when the compression begins. Called
  // from each of the threads the save writes on, maybe from several at once.
  std::function<void(uint64_t written, uint64_t total)> progress = nullptr;
};

// What *err says, after the path, when a save was cancelled.
inline constexpr std::string_view kSaveCancelled = "the save was cancelled";

// Writes `book` to `path`. The file appears complete or not at all: it is written beside `path`
// under a temporary name and renamed over it only when everything succeeded, so an existing
// file at `path` survives a failed save. On failure *err says what went wrong, naming the path.
// `report` may be null. Up to `threads` sheets are written at once; 0: one per core.
bool saveXlsx(const MemoryWorkbook& book, const std::string& path, SaveReport* report,
              std::string* err, int threads = 0, const SaveControl* control = nullptr);

// The same workbook as a template (.xltx), which a spreadsheet program opens as a new, untitled
// document. Written and published the same way.
bool saveXltx(const MemoryWorkbook& book, const std::string& path, SaveReport* report,
              std::string* err, int threads = 0, const SaveControl* control = nullptr);

namespace detail {

// The file format's limits that a test wants lower than a million rows, how many sheets are
// written at once, which a test wants to compare, and how many are streamed.
struct SaveLimits {
  int32_t maxRows = 1'048'576;
  int32_t threads = 0;  // sheets written at once; 0: one per core
  bool asTemplate = false;  // .xltx instead of .xlsx
  // Sheets streamed through a temporary file each, the largest; the others are kept in
  // libxlsxwriter's memory until the file is closed. Bounds the files held open at once.
  size_t maxStreamedSheets = 64;
  const SaveControl* control = nullptr;  // may be null
};

bool saveXlsx(const MemoryWorkbook& book, const std::string& path, const SaveLimits& limits,
              SaveReport* report, std::string* err);

// Appends the bytes of a cell text as the file must hold them (UTF-8, with escapes a reader
// turns back into the text) to *out, at most `maxChars` characters as libxlsxwriter counts
// them. Returns false when the text had to be cut.
bool appendFileText(std::string_view bytes, size_t maxChars, std::string* out);

}  // namespace detail

}  // namespace tnw::sheet
