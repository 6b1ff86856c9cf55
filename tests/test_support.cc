#include "test_support.h"

#include <charconv>
#include <cstdlib>
#include <random>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/platform.h"

namespace tnw::testing {

std::string sourcePath(std::string_view relative) { return std::string(TARNWELL_SOURCE_DIR) + "/" + std::string(relative); }

std::string logoPath() { return sourcePath("resources/Tarnwell.GIF"); }

sheet::LayoutOptions testLayout() { return {logoPath(), "https://report.test/page", "https://site.test/"}; }

std::unique_ptr<Converted> convertText(std::string_view text, pas::ProgressReporter* progress) {
  auto out = std::make_unique<Converted>();
  auto source = pas::LineSource::fromBytes(std::string(text));
  out->completed = out->converter.convert(*source, progress);
  return out;
}

std::optional<sheet::CellData> cellAt(const sheet::MemoryWorkbook& book, std::string_view sheet,
                                      std::string_view cell) {
  auto id = book.findSheet(sheet);
  sheet::Cell at;
  if (!id || !sheet::parseCellName(cell, &at)) return std::nullopt;
  return book.cell(*id, at);
}

namespace {

std::string showNumber(double value) {
  char buf[64];
  auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
  return std::string(buf, end);
}

std::string show(const sheet::CellData& data) {
  switch (data.kind) {
    case sheet::CellKind::kBlank: return "";
    case sheet::CellKind::kText: return std::string(data.text);
    case sheet::CellKind::kNumber: return showNumber(data.number);
  }
  return "";
}

}  // namespace

std::string shownValue(const sheet::MemoryWorkbook& book, std::string_view sheet, std::string_view cell) {
  auto data = cellAt(book, sheet, cell);
  return data ? show(*data) : "";
}

sheet::CellStyle styleAt(const sheet::MemoryWorkbook& book, std::string_view sheet, std::string_view cell) {
  auto data = cellAt(book, sheet, cell);
  return data ? book.style(data->style) : sheet::CellStyle{};
}

std::vector<std::string> rowValues(const sheet::MemoryWorkbook& book, std::string_view sheet, int32_t row) {
  std::vector<std::string> out;
  auto id = book.findSheet(sheet);
  if (!id) return out;
  for (size_t i = 0; i < book.cellCount(*id); ++i) {
    sheet::CellData data = book.cellAtIndex(*id, i);
    if (data.cell.row != row) continue;
    if (out.size() <= static_cast<size_t>(data.cell.col)) out.resize(static_cast<size_t>(data.cell.col) + 1);
    out[static_cast<size_t>(data.cell.col)] = show(data);
  }
  while (!out.empty() && out.back().empty()) out.pop_back();
  return out;
}

std::vector<std::string> sheetNames(const sheet::MemoryWorkbook& book) {
  std::vector<std::string> out;
  for (sheet::SheetId id : book.sheetOrder()) out.push_back(book.sheetName(id));
  return out;
}

std::string errorsOf(const Converted& c) {
  std::string out;
  auto info = c.book.findSheet(sheet::kGeneralSheet);
  if (!info) return out;
  for (int32_t row = 5; row <= c.book.lastRow(*info); ++row)
    if (shownValue(c.book, sheet::kGeneralSheet, "B" + std::to_string(row)) == "Could not parse line")
      out += shownValue(c.book, sheet::kGeneralSheet, "D" + std::to_string(row)) + "\n";
  return out;
}

std::string readFile(const std::string& path) {
  std::ifstream in(platform::pathFromUtf8(path), std::ios::binary);
  std::stringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string readExample(std::string_view name) { return readFile(sourcePath("examples/" + std::string(name))); }

TempDir::TempDir() {
  // A fresh name made here rather than by mkdtemp, which Windows lacks; create_directory
  // refuses a name that exists, so no one else's folder is taken over.
  std::random_device random;
  const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "tarnwell-test-";
    for (int i = 0; i < 8; ++i) name += letters[random() % (sizeof letters - 1)];
    std::filesystem::path folder = std::filesystem::temp_directory_path() / platform::pathFromUtf8(name);
    std::error_code ec;
    if (std::filesystem::create_directory(folder, ec)) {
      path_ = platform::pathToUtf8(folder);
      return;
    }
    if (ec) throw std::runtime_error("cannot make a temporary folder: " + ec.message());
  }
  throw std::runtime_error("cannot make a temporary folder: no unused name");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::path folder = platform::pathFromUtf8(path_);
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(folder, ec);
}

void TempDir::write(std::string_view name, std::string_view bytes) const {
  std::ofstream out(platform::pathFromUtf8(file(name)), std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tnw::testing
