// The toolkit-free parts of the desktop program as they behave on Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/export_folder.h"
#include "app/platform.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

class ExportFolderOnWindows : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root_ = fs::path(temp) / (L"tarnwell-app-Ü " + std::to_wstring(GetCurrentProcessId()));
    fs::create_directories(root_);
    folder_ = tnw::platform::pathToUtf8(root_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  static std::string contents(const std::string& path) {
    std::ifstream in(tnw::platform::pathFromUtf8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  fs::path root_;
  std::string folder_;
};

TEST_F(ExportFolderOnWindows, IsTheUsersLocalApplicationData) {
  wchar_t saved[MAX_PATH * 2] = L"";
  const bool had = GetEnvironmentVariableW(L"LOCALAPPDATA", saved, MAX_PATH * 2) > 0;
  SetEnvironmentVariableW(L"LOCALAPPDATA", root_.c_str());
  EXPECT_EQ(tnw::gui::exportFolder(), tnw::platform::pathToUtf8(root_ / L"Tarnwell"));
  SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
  EXPECT_EQ(tnw::gui::exportFolder(), "");
  SetEnvironmentVariableW(L"LOCALAPPDATA", had ? saved : nullptr);
}

// The C runtime's fopen ignores "x": a second export would have emptied the first one's file.
TEST_F(ExportFolderOnWindows, ANewExportNeverTakesTheFileOfAnother) {
  std::string first, second, err;
  ASSERT_TRUE(tnw::gui::reserveWorkbookPath(folder_, "C:\\wells\\well 7.pas", ".xltx", &first, &err)) << err;
  { std::ofstream(tnw::platform::pathFromUtf8(first), std::ios::binary) << "the first workbook"; }
  ASSERT_TRUE(tnw::gui::reserveWorkbookPath(folder_, "C:\\wells\\well 7.pas", ".xltx", &second, &err)) << err;
  EXPECT_NE(first, second);
  EXPECT_EQ(tnw::platform::fileName(first), "well 7.xltx");
  EXPECT_EQ(tnw::platform::fileName(second), "well 7 (2).xltx");
  EXPECT_EQ(contents(first), "the first workbook");
  EXPECT_EQ(contents(second), "");
}

TEST_F(ExportFolderOnWindows, PreparedAndWritable) {
  const std::string nested = tnw::platform::pathToUtf8(root_ / L"a" / L"Tarnwell");
  std::string problem;
  EXPECT_TRUE(tnw::gui::prepareExportFolder(nested, &problem)) << problem;
  int error = 0;
  EXPECT_TRUE(tnw::gui::canCreateFilesIn(nested, &error));
  EXPECT_TRUE(fs::is_empty(root_ / L"a" / L"Tarnwell")) << "the probe leaves nothing behind";
}

// A workbook the spreadsheet program holds is never cleaned up.
TEST_F(ExportFolderOnWindows, FilesHeldOpenAreSeen) {
  const fs::path held = root_ / L"held.xltx", free = root_ / L"free.xltx";
  std::ofstream(held) << "x";
  std::ofstream(free) << "x";
  HANDLE handle = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  const auto open = tnw::gui::filesOpenNow({tnw::platform::pathToUtf8(held), tnw::platform::pathToUtf8(free),
                                            tnw::platform::pathToUtf8(root_ / L"missing.xltx")});
  CloseHandle(handle);
  ASSERT_EQ(open.size(), 3u);
  EXPECT_TRUE(open[0]);
  EXPECT_FALSE(open[1]);
  EXPECT_FALSE(open[2]);
}

}  // namespace
