// Turns a finished .xlsx package into a spreadsheet template (.xltx). The two differ in one
// place only: the content type of the workbook part. A spreadsheet program opens a template as
// a new, untitled document, so the user's Save asks where to save instead of writing over the
// file that was handed over.
#pragma once

#include <string>
#include <string_view>

namespace tnw::sheet {

inline constexpr std::string_view kWorkbookContentType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
inline constexpr std::string_view kTemplateContentType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml";

// Rewrites the package at `path` in place (through a new file beside it, renamed over it):
// every entry is copied byte for byte except [Content_Types].xml, whose workbook content type
// becomes the template one. False with *problem when the package is not one we can rewrite;
// the file at `path` is then left as it was.
bool markPackageAsTemplate(const std::string& path, std::string* problem);

namespace detail {
// The [Content_Types].xml text with the workbook part's type changed; false when the text does
// not declare that type exactly once.
bool templateContentTypes(std::string_view xml, std::string* out);
}  // namespace detail

}  // namespace tnw::sheet
