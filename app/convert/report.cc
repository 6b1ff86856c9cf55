#include "app/convert/report.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "sheet/text_encoding.h"

namespace tnw::app {

namespace {

struct Range {
  char32_t first, last;
};
// What terminals draw two columns wide and what they draw on the letter before, as wcwidth()
// has it; names in Chinese or with a decomposed "Ü" would otherwise shift the columns after them.
constexpr Range kWide[] = {{0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
                           {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
                           {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F},
                           {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD}};
constexpr Range kCombining[] = {{0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x1AB0, 0x1AFF},
                                {0x1DC0, 0x1DFF}, {0x200B, 0x200F}, {0x20D0, 0x20FF}, {0xFE20, 0xFE2F}};

bool within(char32_t c, std::span<const Range> ranges) {
  for (const Range& r : ranges)
    if (c >= r.first && c <= r.last) return true;
  return false;
}

std::string padded(const std::string& text, size_t to, bool right) {
  std::string fill(to > displayWidth(text) ? to - displayWidth(text) : 0, ' ');
  return right ? fill + text : text + fill;
}

// A converted file's workbook, and after it what the user must know about the reading.
std::string convertedResult(const FileOutcome& f) {
  std::string notes;
  if (!f.looksLikePas) notes = "does not look like a PAS file";
  if (f.endMarkLine > 0)
    notes += (notes.empty() ? "" : "; ") + std::string("end-of-file mark (Ctrl-Z) on line ") + std::to_string(f.endMarkLine);
  std::string shown = f.output.empty() ? "converted" : f.output;
  return notes.empty() ? shown : shown + "  (" + notes + ")";
}

std::string resultOf(const FileOutcome& f) {
  switch (f.status) {
    case FileOutcome::kConverted: return convertedResult(f);
    case FileOutcome::kUnchanged: return "unchanged";
    case FileOutcome::kSkipped: return "not converted: interrupted before its turn";
    case FileOutcome::kInterrupted: return "interrupted, nothing written";
    case FileOutcome::kFailed: return "FAILED: " + f.failure;
  }
  return {};
}

}  // namespace

size_t displayWidth(std::string_view utf8) {
  size_t columns = 0;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (size_t k = 1; k < length && i + k < utf8.size(); ++k) c = (c << 6) | (utf8[i + k] & 0x3F);
    i += length;
    columns += within(c, kCombining) ? 0 : within(c, kWide) ? 2 : 1;
  }
  return columns;
}

std::string batchTable(const std::vector<FileOutcome>& outcomes, bool failuresOnly) {
  std::vector<std::vector<std::string>> rows = {{"File", "Type", "Lines", "Errors", "Seconds", "Workbook"}};
  size_t converted = 0, unchanged = 0;
  for (const FileOutcome& f : outcomes) {
    converted += f.status == FileOutcome::kConverted;
    unchanged += f.status == FileOutcome::kUnchanged;
    if (failuresOnly && (f.status == FileOutcome::kConverted || f.status == FileOutcome::kUnchanged)) continue;
    bool read = f.status == FileOutcome::kConverted || f.lines > 0;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", f.seconds);
    // Names too may come as bytes of another code page (Linux); the widths count UTF-8.
    rows.push_back({sheet::toUtf8(f.input), sheet::toUtf8(f.type), read ? std::to_string(f.lines) : "-",
                    read ? std::to_string(f.errors) : "-", seconds, sheet::toUtf8(resultOf(f))});
  }
  std::vector<size_t> widths(rows[0].size(), 0);
  for (const auto& row : rows)
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], displayWidth(row[c]));
  std::string out;
  for (size_t r = rows.size() == 1 ? 1 : 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].size(); ++c) {
      bool number = c >= 2 && c <= 4;
      bool last = c + 1 == rows[r].size();
      out += last ? rows[r][c] : padded(rows[r][c], widths[c], number) + "  ";
    }
    out += "\n";
  }
  out += std::to_string(converted) + " of " + std::to_string(outcomes.size()) + " files converted";
  if (unchanged > 0) out += ", " + std::to_string(unchanged) + " unchanged";
  size_t failed = outcomes.size() - converted - unchanged;
  if (failuresOnly) out += failed == 0 ? ", none failed" : ", " + std::to_string(failed) + " not (listed above)";
  out += "\n";
  return out;
}

std::string jsonObject(const JsonFields& fields) {
  auto quoted = [](const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
      if (c == '"' || c == '\\') {
        out += '\\';
        out += static_cast<char>(c);
      } else if (c < 0x20) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", c);
        out += escape;
      } else {
        out += static_cast<char>(c);
      }
    }
    return out + "\"";
  };
  std::string out = "{";
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out += ",";
    const JsonValue& value = fields[i].second;
    out += quoted(fields[i].first) + ":";
    if (const bool* flag = std::get_if<bool>(&value))
      out += *flag ? "true" : "false";
    else
      out += quoted(std::get<std::string>(value));
  }
  return out + "}";
}

}  // namespace tnw::app
