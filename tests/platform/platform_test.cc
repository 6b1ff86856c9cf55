#include "platform/platform.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#endif

#include <filesystem>
#include <fstream>

#include "test_support.h"

namespace tnw::platform {
namespace {

namespace fs = std::filesystem;

// "Bohrloch-Prüfung ε 漢字 \"x\".pas": blanks, a quote, and letters of two and three bytes.
const std::string kName = "Bohrloch-Pr\xC3\xBC" "fung \xCE\xB5 \xE6\xBC\xA2 'x'.pas";

TEST(Utf8Paths, SurviveTheRoundTripAndReachTheFileSystemAsLetters) {
  EXPECT_EQ(pathToUtf8(pathFromUtf8(kName)), kName);
  EXPECT_EQ(fileName("folder/" + kName), kName);
  EXPECT_EQ(pathFromUtf8(kName).u8string().size(), kName.size());
  testing::TempDir dir;
  dir.write(kName, "content");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(pathFromUtf8(dir.path())))
    names.push_back(pathToUtf8(entry.path().filename()));
  EXPECT_EQ(names, std::vector<std::string>{kName});
  std::FILE* file = openFile(dir.file(kName), "rb");
  ASSERT_NE(file, nullptr);
  char buffer[16] = {};
  EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, file), 7u);
  std::fclose(file);
  EXPECT_EQ(std::string(buffer), "content");
}

TEST(NewFiles, AreCreatedOnlyWhereNothingIs) {
  testing::TempDir dir;
  std::string problem;
  const std::string path = dir.file(kName + ".tmp-1");
  EXPECT_EQ(createNewFile(path, &problem), NewFile::kCreated) << problem;
  EXPECT_TRUE(fs::exists(pathFromUtf8(path)));
  EXPECT_EQ(createNewFile(path, &problem), NewFile::kExists);
  EXPECT_EQ(createNewFile(dir.file("missing/x"), &problem), NewFile::kFailed);
  EXPECT_FALSE(problem.empty());
}

TEST(ReplaceFile, PutsTheNewFileInThePlaceOfTheOld) {
  testing::TempDir dir;
  dir.write("new", "new");
  dir.write(kName, "old");
  std::string problem;
  ASSERT_TRUE(replaceFile(dir.file("new"), dir.file(kName), &problem)) << problem;
  EXPECT_EQ(testing::readFile(dir.file(kName)), "new");
  EXPECT_FALSE(fs::exists(pathFromUtf8(dir.file("new"))));
  EXPECT_FALSE(replaceFile(dir.file("new"), dir.file(kName), &problem));
  EXPECT_FALSE(problem.empty());
  EXPECT_EQ(testing::readFile(dir.file(kName)), "new");
}

TEST(SpecialFiles, DevicesAreToldFromFilesAndFolders) {
  testing::TempDir dir;
  dir.write("plain.xlsx", "x");
  EXPECT_FALSE(isSpecialFile(dir.file("plain.xlsx")));
  EXPECT_FALSE(isSpecialFile(dir.path()));
  EXPECT_FALSE(isSpecialFile(dir.file("not there.xlsx")));
#ifdef _WIN32
  // Windows keeps these names for devices in every folder and with any extension.
  for (const char* device : {"NUL", "nul", "CON", "COM1", "LPT1.xlsx", "aux .txt"}) {
    EXPECT_TRUE(isSpecialFile(device)) << device;
    EXPECT_TRUE(isSpecialFile(dir.file(device))) << device;
  }
  EXPECT_FALSE(isSpecialFile(dir.file("COM10")));
  EXPECT_FALSE(isSpecialFile(dir.file("CONSOLE.xlsx")));
  EXPECT_TRUE(isPipe("\\\\.\\pipe\\tarnwell"));
  EXPECT_TRUE(isPipe("//./PIPE/tarnwell"));
#else
  EXPECT_TRUE(isSpecialFile("/dev/null"));
#endif
}

TEST(ExecutablePath, NamesTheRunningProgram) {
  std::string self = executablePath();
  ASSERT_FALSE(self.empty());
  EXPECT_TRUE(fs::exists(pathFromUtf8(self)));
  EXPECT_EQ(pathToUtf8(pathFromUtf8(self).parent_path()), executableDirectory());
}

TEST(LocalTime, GivesTheCalendarPartsOfAMoment) {
  std::tm tm{};
  ASSERT_TRUE(localTime(1'200'000'000, &tm));  // 10 January 2008, 21:20 UTC
  EXPECT_EQ(tm.tm_year, 108);
  EXPECT_EQ(tm.tm_mon, 0);
  EXPECT_GE(tm.tm_mday, 10);
  EXPECT_LE(tm.tm_mday, 11);
  EXPECT_EQ(tm.tm_min % 30, 20 % 30);  // zones are whole or half hours away
}

// Printed text reaches a file as UTF-8 bytes, and a console as letters whatever its code page.
TEST(WriteText, FilesGetUtf8AndAConsoleGetsLetters) {
  const std::string text = "M\xC3\xBCll \xCE\xB5 \xE2\x82\xAC";  // "Müll ε €"
  testing::TempDir dir;
  std::FILE* file = openFile(dir.file("out.txt"), "wb");
  EXPECT_FALSE(isTerminal(file));
  writeText(file, text);
  std::fclose(file);
  EXPECT_EQ(testing::readFile(dir.file("out.txt")), text);
#ifdef _WIN32
  // A screen buffer of its own; in a console of its own where the tests run without one.
  auto newScreen = [] {
    return CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, 0, nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
  };
  HANDLE screen = newScreen();
  if (screen == INVALID_HANDLE_VALUE && (FreeConsole(), AllocConsole())) screen = newScreen();
  ASSERT_NE(screen, INVALID_HANDLE_VALUE);
  const UINT codePage = GetConsoleOutputCP();
  SetConsoleOutputCP(850);
  std::FILE* console = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(screen), _O_WRONLY), "w");
  EXPECT_TRUE(isTerminal(console));
  writeText(console, text);
  wchar_t cells[8] = {};
  DWORD read = 0;
  ReadConsoleOutputCharacterW(screen, cells, 8, COORD{0, 0}, &read);
  EXPECT_EQ(std::wstring(cells, read), L"M\u00FCll \u03B5 \u20AC");
  std::fclose(console);
  SetConsoleOutputCP(codePage);
#endif
}

}  // namespace
}  // namespace tnw::platform
