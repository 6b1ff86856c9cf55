// The shell module against the real registry and process start of Windows (Wine here). The
// user's part of the registry is redirected to a scratch key for each registration test, so a
// run leaves the user's own associations as they were.
#include "app/win32/shell_win32.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/platform.h"
#include "test_support.h"

namespace tnw::win32 {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kScratch[] = L"Software\\Tarnwell tests\\user";
constexpr char kExe[] = "C:\\Program Files\\Tarnwell \xC3\x9C\\Tarnwell.exe";
const std::wstring kExeWide = L"C:\\Program Files\\Tarnwell \u00DC\\Tarnwell.exe";

class Registration : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch_, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, scratch_), ERROR_SUCCESS);
  }
  void TearDown() override {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(scratch_);
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
  }

  // A value under HKCU\Software\Classes; "<none>" when missing, "<marker>" for an empty REG_NONE.
  static std::wstring value(const std::wstring& subkey, const wchar_t* name = nullptr) {
    HKEY key;
    std::wstring path = L"Software\\Classes\\" + subkey;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return L"<none>";
    wchar_t data[1024] = {};
    DWORD type = 0, size = sizeof data - sizeof(wchar_t);
    LSTATUS status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return L"<none>";
    if (type == REG_NONE && size == 0) return L"<marker>";
    return type == REG_SZ ? std::wstring(data) : L"<type " + std::to_wstring(type) + L">";
  }

  static void set(const std::wstring& subkey, const wchar_t* name, const std::wstring& text) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }

  static ULONGLONG lastWrite(const std::wstring& subkey) {
    HKEY key;
    std::wstring path = L"Software\\Classes\\" + subkey;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 0;
    FILETIME time{};
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &time);
    RegCloseKey(key);
    return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime;
  }

  static bool registers(const std::string& exe) {
    std::string problem;
    bool ok = registerShellTypes(exe, &problem);
    EXPECT_TRUE(ok) << problem;
    return ok;
  }

  HKEY scratch_ = nullptr;
};

TEST_F(Registration, WritesTheDocumentTypeAndTheExtension) {
  ASSERT_TRUE(registers(kExe));
  EXPECT_EQ(value(L"Tarnwell.Document"), L"ERCB Pressure ASCII Standard well-test file");
  EXPECT_EQ(value(L"Tarnwell.Document\\DefaultIcon"), kExeWide + L",0");
  EXPECT_EQ(value(L"Tarnwell.Document\\shell\\open\\command"), L"\"" + kExeWide + L"\" \"%1\"");
  EXPECT_EQ(value(L".pas"), L"Tarnwell.Document");
  EXPECT_EQ(value(L".pas\\OpenWithProgids", L"Tarnwell.Document"), L"<marker>");
}

TEST_F(Registration, ForwardSlashesBecomeWindowsSeparators) {
  ASSERT_TRUE(registers("C:/Tools/Tarnwell.exe"));
  EXPECT_EQ(value(L"Tarnwell.Document\\shell\\open\\command"), L"\"C:\\Tools\\Tarnwell.exe\" \"%1\"");
}

TEST_F(Registration, ASecondStartWithTheSamePathWritesNothing) {
  ASSERT_TRUE(registers(kExe));
  const wchar_t* keys[] = {L"Tarnwell.Document", L"Tarnwell.Document\\DefaultIcon",
                           L"Tarnwell.Document\\shell\\open\\command", L".pas", L".pas\\OpenWithProgids"};
  std::vector<ULONGLONG> before;
  for (const wchar_t* key : keys) before.push_back(lastWrite(key));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(registers(kExe));
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(lastWrite(keys[i]), before[i]) << keys[i];

  // The clock the check relies on does move when something is written: a moved program.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(registers("D:\\Elsewhere\\Tarnwell.exe"));
  EXPECT_NE(lastWrite(L"Tarnwell.Document\\shell\\open\\command"), before[2]);
  EXPECT_EQ(value(L"Tarnwell.Document\\shell\\open\\command"), L"\"D:\\Elsewhere\\Tarnwell.exe\" \"%1\"");
  EXPECT_EQ(value(L"Tarnwell.Document\\DefaultIcon"), L"D:\\Elsewhere\\Tarnwell.exe,0");
  EXPECT_EQ(lastWrite(L".pas"), before[3]);
}

TEST_F(Registration, AnotherProgramKeepsTheExtensionAndTarnwellJoinsItsOpenWithList) {
  set(L"Software\\Classes\\.pas", nullptr, L"Lazarus.Source");
  set(L"Software\\Classes\\.pas\\OpenWithProgids", L"Other.Thing", L"");
  ASSERT_TRUE(registers(kExe));
  EXPECT_EQ(value(L".pas"), L"Lazarus.Source");
  EXPECT_EQ(value(L".pas\\OpenWithProgids", L"Tarnwell.Document"), L"<marker>");
  EXPECT_EQ(value(L".pas\\OpenWithProgids", L"Other.Thing"), L"");
  EXPECT_EQ(value(L"Tarnwell.Document\\shell\\open\\command"), L"\"" + kExeWide + L"\" \"%1\"");
}

TEST_F(Registration, AProgramInstalledForTheMachineKeepsTheExtensionToo) {
  // The machine's part of the registry, redirected for this one test into the user's scratch key.
  HKEY machine;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tarnwell tests\\machine", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &machine, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine), ERROR_SUCCESS);
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.pas", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"Delphi.Source"), sizeof L"Delphi.Source");
  RegCloseKey(key);
  bool ok = registers(kExe);
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegCloseKey(machine);
  ASSERT_TRUE(ok);
  EXPECT_EQ(value(L".pas"), L"<none>");
  EXPECT_EQ(value(L".pas\\OpenWithProgids", L"Tarnwell.Document"), L"<marker>");
}

TEST_F(Registration, TheUsersChoiceInExplorerIsLeftAlone) {
  const std::wstring choice = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.pas\\UserChoice";
  set(choice, L"ProgId", L"Applications\\notepad.exe");
  ASSERT_TRUE(registers(kExe));
  EXPECT_EQ(value(L".pas"), L"<none>");
  wchar_t data[256] = {};
  DWORD size = sizeof data;
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, choice.c_str(), L"ProgId", RRF_RT_REG_SZ, nullptr, data, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(data, L"Applications\\notepad.exe");
}

TEST_F(Registration, OursOnceIsOursAgainInAnyCase) {
  set(L"Software\\Classes\\.pas", nullptr, L"TARNWELL.DOCUMENT");
  ASSERT_TRUE(registers(kExe));
  EXPECT_EQ(value(L".pas"), L"TARNWELL.DOCUMENT");  // the same id: nothing to write
}

TEST_F(Registration, RefusesWhatCannotBeAProgramPath) {
  std::string problem;
  EXPECT_FALSE(registerShellTypes("", &problem));
  EXPECT_FALSE(registerShellTypes("C:\\a\"b.exe", &problem));
  EXPECT_NE(problem.find("not a program path"), std::string::npos) << problem;
  EXPECT_EQ(value(L"Tarnwell.Document"), L"<none>");
}

// Each start of the stand-in program writes down the command line and the arguments the C
// runtime split from it.
class Launch : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.file("Viewer \xC3\x9C x");
    fs::create_directories(platform::pathFromUtf8(folder_));
    program_ = folder_ + "/viewer.exe";
    fs::copy_file(platform::pathFromUtf8(std::string(TARNWELL_BIN_DIR) + "/tarnwell-stand-in.exe"),
                  platform::pathFromUtf8(program_));
  }

  // The arguments the started program saw, each in brackets.
  std::string argumentsSeen(const std::string& argument) {
    fs::path record = platform::pathFromUtf8(folder_ + "/started.txt");
    fs::remove(record);
    if (!launchWithArgument(program_, argument)) return "<not started>";
    for (int i = 0; i < 400 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::string text = testing::readFile(platform::pathToUtf8(record));
    return text.substr(text.find('\n') + 1);
  }

  testing::TempDir dir_;
  std::string folder_, program_;
};

TEST_F(Launch, TheArgumentArrivesWholeWhateverItHolds) {
  for (std::string argument : {
           "C:\\plain.pas",
           "C:\\My Files\\well test.pas",
           "C:\\folder with blank\\",
           "C:\\trailing\\\\",
           "say \"hi\" there",
           "back\\\"quote",
           "\\\\server\\share name\\x.pas",
           "tab\there",
           "",
           "C:\\\xC3\x9C\xCE\xB5\xCE\xBB \xE6\xBC\xA2\\x.pas",
       })
    EXPECT_EQ(argumentsSeen(argument), "[" + argument + "]") << argument;
}

TEST_F(Launch, AProgramThatIsNotThereIsNotStarted) {
  EXPECT_FALSE(launchWithArgument(folder_ + "/missing.exe", "x"));
  EXPECT_FALSE(launchWithArgument("", "x"));
}

// Wine's fresh prefix knows the type "txtfile" but ties no extension to it; Windows always
// does. Where it is missing the test ties ".txt" to it for its own run.
class TextAssociation {
 public:
  TextAssociation() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L".txt", 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
      RegCloseKey(key);
      return;
    }
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, L".txt", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"txtfile"), sizeof L"txtfile");
    RegCloseKey(key);
    made_ = true;
  }
  ~TextAssociation() {
    if (made_) RegDeleteTreeW(HKEY_CLASSES_ROOT, L".txt");
  }

 private:
  bool made_ = false;
};

TEST(Associations, TextFilesHaveAnExecutableAndMadeUpExtensionsNone) {
  TextAssociation association;
  std::string text = associatedExecutable(".txt");
  ASSERT_FALSE(text.empty());
  EXPECT_TRUE(fs::exists(platform::pathFromUtf8(text))) << text;
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(lower.substr(lower.size() - 4), ".exe") << text;
  EXPECT_EQ(associatedExecutable(".tnw-no-such-type"), "");
}

TEST(Associations, OpeningAFileNoProgramTakesSaysSo) {
  testing::TempDir dir;
  dir.write("orphan.tnw-no-such-type", "x");
  std::string problem;
  EXPECT_FALSE(openWithDefaultAction(dir.file("orphan.tnw-no-such-type"), &problem));
  EXPECT_FALSE(problem.empty());
}

// A template's default action makes a new document of it; "open" would edit the template.
// A made-up type with both verbs, "new" the default, tells which one the hand-over takes.
TEST_F(Launch, OpeningAFileTakesTheDefaultVerbOfItsType) {
  const std::wstring exe = platform::pathFromUtf8(program_).make_preferred().wstring();
  auto set = [](const std::wstring& path, const std::wstring& text) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  };
  set(L".tnw-template-test", L"Tarnwell.TemplateTest");
  set(L"Tarnwell.TemplateTest\\shell", L"new");
  set(L"Tarnwell.TemplateTest\\shell\\open\\command", L"\"" + exe + L"\" open \"%1\"");
  set(L"Tarnwell.TemplateTest\\shell\\new\\command", L"\"" + exe + L"\" new \"%1\"");
  dir_.write("well.tnw-template-test", "x");
  fs::path record = platform::pathFromUtf8(folder_ + "/started.txt");
  fs::remove(record);
  std::string problem;
  EXPECT_TRUE(openWithDefaultAction(dir_.file("well.tnw-template-test"), &problem)) << problem;
  for (int i = 0; i < 400 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  std::string text = testing::readFile(platform::pathToUtf8(record));
  EXPECT_EQ(text.substr(text.find('\n') + 1).substr(0, 5), "[new]") << text;
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L".tnw-template-test");
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Tarnwell.TemplateTest");
}

}  // namespace
}  // namespace tnw::win32
