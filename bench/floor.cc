// The cost of the file itself: writes the cells of a gauge-table PAS file straight through
// libxlsxwriter in constant_memory mode, with nothing else: no patterns, no sheet registry, no
// model. A line number, the table's tag, the time stamp as a date and the readings as numbers,
// one sheet per gauge, as the converter writes them.
//   tarnwell-bench-floor IN.pas OUT.xlsx
#include <xlsxwriter.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

double daySerial(int y, int m, int d) {
  // Days from 1899-12-30 in the proleptic Gregorian calendar.
  y -= m <= 2;
  int era = (y >= 0 ? y : y - 399) / 400;
  int yoe = y - era * 400;
  int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097.0 + doe - 719468 + 25569;
}

// "2025 03 14 0930:05"
bool parseStamp(std::string_view s, double* serial) {
  if (s.size() != 18 || s[4] != ' ' || s[15] != ':') return false;
  auto num = [&](size_t at, size_t n) {
    int v = 0;
    std::from_chars(s.data() + at, s.data() + at + n, v);
    return v;
  };
  *serial = daySerial(num(0, 4), num(5, 2), num(8, 2)) + (num(11, 2) * 3600 + num(13, 2) * 60 + num(16, 2)) / 86400.0;
  return true;
}

struct Sheet {
  lxw_worksheet* ws;
  lxw_row_t row;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return std::fprintf(stderr, "usage: tarnwell-bench-floor IN.pas OUT.xlsx\n"), 2;
  std::ifstream in(argv[1]);
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* book = workbook_new_opt(argv[2], &options);
  lxw_format* date = workbook_add_format(book);
  format_set_num_format(date, "yyyy mm dd hhmm:ss");
  std::vector<lxw_format*> decimals;
  for (int k = 0; k <= 6; ++k) {
    lxw_format* f = workbook_add_format(book);
    format_set_num_format(f, k == 0 ? "General" : ("0." + std::string(k, '0')).c_str());
    decimals.push_back(f);
  }
  std::map<std::string, Sheet> sheets;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::string_view rest(line);
    if (rest.rfind("~DTG (", 0) != 0) continue;
    size_t close = rest.find(')');
    std::string tag(rest.substr(0, close + 1));
    auto it = sheets.find(tag);
    if (it == sheets.end()) {
      std::string name = "GAUGE " + tag.substr(6, close - 6);
      it = sheets.emplace(tag, Sheet{workbook_add_worksheet(book, name.c_str()), 1}).first;
    }
    Sheet& sheet = it->second;
    worksheet_write_number(sheet.ws, sheet.row, 0, number, nullptr);
    worksheet_write_string(sheet.ws, sheet.row, 1, tag.c_str(), nullptr);
    rest.remove_prefix(close + 2);
    lxw_col_t col = 2;
    for (size_t comma; (comma = rest.find(',')) != std::string_view::npos; rest.remove_prefix(comma + 1), ++col) {
      std::string_view field = rest.substr(0, comma);
      double value;
      if (col == 2 && parseStamp(field, &value)) {
        worksheet_write_number(sheet.ws, sheet.row, col, value, date);
      } else {
        std::from_chars(field.data(), field.data() + field.size(), value);
        size_t point = field.find('.');
        size_t k = point == std::string_view::npos ? 0 : field.size() - point - 1;
        worksheet_write_number(sheet.ws, sheet.row, col, value, decimals[k < 6 ? k : 6]);
      }
    }
    ++sheet.row;
  }
  return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}
