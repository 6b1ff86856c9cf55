#include "app/convert/report.h"

#include <algorithm>
#include <cstdio>

#include "sheet/text_encoding.h"

namespace tnw::app {

namespace {

// Display width of a UTF-8 text, one column per character.
size_t width(const std::string& text) { return sheet::utf8CharCount(text); }

std::string padded(const std::string& text, size_t to, bool right) {
  std::string fill(to > width(text) ? to - width(text) : 0, ' ');
  return right ? fill + text : text + fill;
}

std::string resultOf(const FileOutcome& f) {
  switch (f.status) {
    case FileOutcome::kConverted: return f.output.empty() ? "converted" : f.output;
    case FileOutcome::kUnchanged: return "unchanged";
    case FileOutcome::kSkipped: return "not converted: interrupted before its turn";
    case FileOutcome::kInterrupted: return "interrupted, nothing written";
    case FileOutcome::kFailed: return "FAILED: " + f.failure;
  }
  return {};
}

}  // namespace

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
    rows.push_back({f.input, sheet::toUtf8(f.type), read ? std::to_string(f.lines) : "-",
                    read ? std::to_string(f.errors) : "-", seconds, resultOf(f)});
  }
  std::vector<size_t> widths(rows[0].size(), 0);
  for (const auto& row : rows)
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], width(row[c]));
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

std::string jsonObject(const std::vector<std::pair<std::string, std::string>>& fields) {
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
    out += quoted(fields[i].first) + ":" + quoted(fields[i].second);
  }
  return out + "}";
}

}  // namespace tnw::app
