// The setup helper, loaded as an installer loads it, from a folder whose name has blanks and
// letters beyond ASCII, next to a stand-in Tarnwell.exe that writes down how it was started.
#include <windows.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"

namespace tnw::setup {
namespace {

namespace fs = std::filesystem;
using Entry = int(__stdcall*)(int);

class SetupHelper : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.file("Program Files/Tarnwell \xC3\x9C \xCE\xB5\xCE\xBB \xE6\xBC\xA2");
    fs::create_directories(platform::pathFromUtf8(folder_));
    fs::copy_file(platform::pathFromUtf8(std::string(TARNWELL_BIN_DIR) + "/tnw_inst.dll"),
                  platform::pathFromUtf8(folder_ + "/tnw_inst.dll"));
    record_ = folder_ + "/started.txt";
  }

  void installStandIn() {
    fs::copy_file(platform::pathFromUtf8(std::string(TARNWELL_BIN_DIR) + "/tarnwell-stand-in.exe"),
                  platform::pathFromUtf8(folder_ + "/Tarnwell.exe"));
  }

  Entry entry(const char* name) {
    std::wstring dll = platform::pathFromUtf8(folder_ + "/tnw_inst.dll").make_preferred().wstring();
    if (!module_) module_ = LoadLibraryW(dll.c_str());
    EXPECT_NE(module_, nullptr) << "cannot load " << folder_ << "/tnw_inst.dll";
    return module_ ? reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
  }

  // The helper does not wait for the program it starts.
  std::string awaitRecord() {
    fs::path record = platform::pathFromUtf8(record_);
    for (int i = 0; i < 400 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    return testing::readFile(record_);
  }

  std::string quotedProgram() const {
    return "\"" + platform::pathToUtf8(platform::pathFromUtf8(folder_ + "/Tarnwell.exe").make_preferred()) + "\"";
  }

  void TearDown() override {
    if (module_) FreeLibrary(module_);
    forgetRegistration();
  }

  // The stand-in registers itself on "/Register" as the program does; what it wrote for this
  // test's folder goes again, so the user's associations end as they were.
  void forgetRegistration() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\Tarnwell.Document\\shell\\open\\command", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
      return;
    wchar_t command[2048] = {};
    DWORD size = sizeof command - sizeof(wchar_t);
    RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(command), &size);
    RegCloseKey(key);
    std::wstring folder = platform::pathFromUtf8(folder_).make_preferred().wstring();
    if (std::wstring(command).find(folder) == std::wstring::npos) return;
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\Tarnwell.Document");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Classes\\.pas\\OpenWithProgids", L"Tarnwell.Document");
    wchar_t holder[256] = {};
    size = sizeof holder;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Classes\\.pas", nullptr, RRF_RT_REG_SZ, nullptr, holder, &size) ==
            ERROR_SUCCESS &&
        std::wstring(holder) == L"Tarnwell.Document")
      RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Classes\\.pas", nullptr);
  }

  testing::TempDir dir_;
  std::string folder_, record_;
  HMODULE module_ = nullptr;
};

TEST_F(SetupHelper, StartsTheProgramBesideItQuotedWithNoArgument) {
  installStandIn();
  Entry start = entry("fnTNWInst");
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start(0), 0);
  EXPECT_EQ(awaitRecord(), quotedProgram() + "\n");
}

TEST_F(SetupHelper, TheRegisteringEntryPassesRegisterAsAnArgumentOfItsOwn) {
  installStandIn();
  Entry reg = entry("fnTNWInstReg");
  ASSERT_NE(reg, nullptr);
  EXPECT_EQ(reg(12345), 0);
  EXPECT_EQ(awaitRecord(), quotedProgram() + " /Register\n[/Register]");
}

TEST_F(SetupHelper, WithoutTheProgramNothingStartsAndBothStillReturnZero) {
  for (const char* name : {"fnTNWInst", "fnTNWInstReg"}) {
    Entry e = entry(name);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e(0), 0);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(fs::exists(platform::pathFromUtf8(record_)));
}

// Explorer's Details and Task Manager show these: each binary says what it is.
TEST(VersionResources, EachBinaryDescribesItself) {
  for (auto [name, description] : {std::pair{"tnw_inst.dll", L"Tarnwell setup helper for installers"},
                                   {"tarnwell-convert.exe",
                                    L"Tarnwell command-line converter, PAS well-test files to .xlsx workbooks"}}) {
    const std::wstring path = platform::pathFromUtf8(std::string(TARNWELL_BIN_DIR) + "/" + name).wstring();
    std::vector<char> block(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_TRUE(!block.empty() && GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()))
        << name << " has no version resource";
    wchar_t* text = nullptr;
    UINT size = 0;
    VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\FileDescription", reinterpret_cast<void**>(&text),
                   &size);
    EXPECT_STREQ(text, description);
  }
}

}  // namespace
}  // namespace tnw::setup
