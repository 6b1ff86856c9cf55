#include "sheet/xlsx_template.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/platform.h"
#include "sheet/xlsx_writer.h"
#include "test_support.h"

namespace tnw::sheet {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
// The packages are read with Python's zipfile and openpyxl, which run on the Linux side only;
// the Windows suite reads the Windows build's workbooks back.
#define SKIP_WITHOUT_PYTHON() GTEST_SKIP() << "reads the package with Python, a Linux program"
#else
#define SKIP_WITHOUT_PYTHON() static_cast<void>(0)
#endif

// Runs a Python script with the arguments; returns what it printed, failing the test when the
// script fails.
std::string python(const testing::TempDir& dir, const char* script, const std::string& args) {
  dir.write("check.py", script);
  std::string output;
#ifdef _WIN32
  static_cast<void>(args);
#else
  FILE* pipe = popen(("/usr/bin/python3 '" + dir.file("check.py") + "' " + args + " 2>&1").c_str(), "r");
  if (!pipe) return "popen failed";
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << output;
#endif
  return output;
}

std::vector<std::string> filesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(platform::pathToUtf8(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

TEST(TemplateContentTypes, ChangesTheWorkbookTypeOnlyWhenDeclaredOnce) {
  const std::string xml = "<Types><Override PartName=\"/xl/workbook.xml\" ContentType=\"" +
                          std::string(kWorkbookContentType) + "\"/></Types>";
  std::string out;
  ASSERT_TRUE(detail::templateContentTypes(xml, &out));
  EXPECT_EQ(out, "<Types><Override PartName=\"/xl/workbook.xml\" ContentType=\"" +
                     std::string(kTemplateContentType) + "\"/></Types>");
  EXPECT_FALSE(detail::templateContentTypes("<Types/>", &out));
  EXPECT_FALSE(detail::templateContentTypes(xml + xml, &out));
  // Nor is a type that only begins like the workbook's taken for it.
  std::string longer = xml;
  EXPECT_FALSE(detail::templateContentTypes(longer.insert(longer.find("+xml") + 4, ".x"), &out));
}

TEST(SaveXltx, IsTheWorkbookWithOnlyItsContentTypeChanged) {
  SKIP_WITHOUT_PYTHON();
  testing::TempDir dir;
  auto converted = testing::convertText(testing::readExample("drillstem-test.pas"));
  ASSERT_TRUE(converted->completed);
  std::string err;
  ASSERT_TRUE(saveXlsx(converted->book, dir.file("plain.xlsx"), nullptr, &err)) << err;
  ASSERT_TRUE(saveXltx(converted->book, dir.file("well.xltx"), nullptr, &err)) << err;
  EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"plain.xlsx", "well.xltx"})) << "no temporary file left";
  std::string said = python(dir, R"PY(
import sys, zipfile, openpyxl
plain, template = zipfile.ZipFile(sys.argv[1]), zipfile.ZipFile(sys.argv[2])
assert template.testzip() is None
assert plain.namelist() == template.namelist(), (plain.namelist(), template.namelist())
for name in plain.namelist():
    a, b = plain.read(name), template.read(name)
    if name == "[Content_Types].xml":
        assert b"spreadsheetml.template.main+xml" in b and b"spreadsheetml.sheet.main+xml" not in b, b
        assert a.replace(b"spreadsheetml.sheet.main+xml", b"spreadsheetml.template.main+xml") == b
    elif name != "docProps/core.xml":  # holds the moment of the save
        assert a == b, name
wb = openpyxl.load_workbook(sys.argv[2], read_only=True)
assert wb.template
print("|".join(wb.sheetnames))
)PY", "'" + dir.file("plain.xlsx") + "' '" + dir.file("well.xltx") + "'");
  EXPECT_NE(said.find("TEST INFORMATION|"), std::string::npos) << said;
}

TEST(MarkPackageAsTemplate, HandlesArchivesWrittenOtherwise) {
  SKIP_WITHOUT_PYTHON();
  // Data descriptors after each part (a writer that could not seek), the content types stored
  // uncompressed and not first, an archive comment: each laid out differently from ours.
  testing::TempDir dir;
  python(dir, R"PY(
import sys, zipfile
class Stream:
    def __init__(self, f): self.f = f
    def write(self, b): return self.f.write(b)
    def flush(self): self.f.flush()
with open(sys.argv[1], "wb") as f:
    z = zipfile.ZipFile(Stream(f), "w", zipfile.ZIP_DEFLATED)
    z.writestr("xl/workbook.xml", "<workbook>" + "x" * 5000 + "</workbook>")
    z.writestr(zipfile.ZipInfo("[Content_Types].xml"), '<Types><Override PartName="/xl/workbook.xml" '
               'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>',
               zipfile.ZIP_STORED)
    z.writestr("docProps/app.xml", "<Properties/>")
    z.comment = b"made elsewhere"
    z.close()
)PY", "'" + dir.file("other.xlsx") + "'");
  std::string err;
  ASSERT_TRUE(markPackageAsTemplate(dir.file("other.xlsx"), &err)) << err;
  std::string said = python(dir, R"PY(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
assert z.testzip() is None
assert z.comment == b"made elsewhere"
assert z.read("xl/workbook.xml") == b"<workbook>" + b"x" * 5000 + b"</workbook>"
assert z.read("docProps/app.xml") == b"<Properties/>"
print(z.read("[Content_Types].xml").decode())
)PY", "'" + dir.file("other.xlsx") + "'");
  EXPECT_NE(said.find("spreadsheetml.template.main+xml"), std::string::npos) << said;
  EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"check.py", "other.xlsx"}));
}

TEST(MarkPackageAsTemplate, LeavesWhatItCannotRewriteAsItWas) {
  SKIP_WITHOUT_PYTHON();
  testing::TempDir dir;
  dir.write("notes.xlsx", "not a zip archive at all");
  std::string err;
  EXPECT_FALSE(markPackageAsTemplate(dir.file("notes.xlsx"), &err));
  EXPECT_EQ(err, "cannot make it a template: it is not a zip archive we can read");
  EXPECT_EQ(testing::readFile(dir.file("notes.xlsx")), "not a zip archive at all");
  EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"notes.xlsx"}));
  // A zip archive that is no workbook.
  python(dir, R"PY(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z: z.writestr("[Content_Types].xml", "<Types/>")
)PY", "'" + dir.file("empty.xlsx") + "'");
  std::string before = testing::readFile(dir.file("empty.xlsx"));
  EXPECT_FALSE(markPackageAsTemplate(dir.file("empty.xlsx"), &err));
  EXPECT_EQ(err, "cannot make it a template: its part [Content_Types].xml declares no workbook");
  EXPECT_EQ(testing::readFile(dir.file("empty.xlsx")), before);
  EXPECT_FALSE(markPackageAsTemplate(dir.file("missing.xlsx"), &err));
  EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"check.py", "empty.xlsx", "notes.xlsx"}));
}

}  // namespace
}  // namespace tnw::sheet
