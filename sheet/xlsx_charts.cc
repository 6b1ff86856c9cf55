#include "sheet/xlsx_charts.h"

#include <xlsxwriter.h>

#include "sheet/text_encoding.h"

namespace tnw::sheet {

bool writeCharts(lxw_workbook* book, lxw_worksheet* sheet, const std::string& sheetName,
                 const std::vector<Chart>& charts, std::string* err) {
  for (const Chart& chart : charts) {
    // Lines without markers: a gauge table has hundreds of thousands of points.
    lxw_chart* c = workbook_add_chart(book, LXW_CHART_SCATTER_STRAIGHT);
    if (!c) return *err = "cannot make the chart " + toUtf8(chart.title), false;
    for (const ChartSeries& s : chart.series) {
      lxw_chart_series* series = chart_add_series(c, nullptr, nullptr);
      if (!series) return *err = "cannot make a series of the chart " + toUtf8(chart.title), false;
      auto first = static_cast<lxw_row_t>(s.firstRow - 1), last = static_cast<lxw_row_t>(s.lastRow - 1);
      chart_series_set_categories(series, sheetName.c_str(), first, static_cast<lxw_col_t>(s.xCol), last,
                                  static_cast<lxw_col_t>(s.xCol));
      chart_series_set_values(series, sheetName.c_str(), first, static_cast<lxw_col_t>(s.yCol), last,
                              static_cast<lxw_col_t>(s.yCol));
      chart_series_set_name(series, toUtf8(s.name).c_str());
    }
    chart_title_set_name(c, toUtf8(chart.title).c_str());
    chart_axis_set_name(c->x_axis, toUtf8(chart.xTitle).c_str());
    chart_axis_set_name(c->y_axis, toUtf8(chart.yTitle).c_str());
    if (chart.xIsDate) chart_axis_set_num_format(c->x_axis, "hh:mm");
    chart_legend_set_position(c, LXW_CHART_LEGEND_BOTTOM);
    lxw_error error = worksheet_insert_chart(sheet, static_cast<lxw_row_t>(chart.anchor.row - 1),
                                             static_cast<lxw_col_t>(chart.anchor.col), c);
    if (error != LXW_NO_ERROR)
      return *err = "cannot place the chart " + toUtf8(chart.title) + ": " + lxw_strerror(error), false;
  }
  return true;
}

}  // namespace tnw::sheet
