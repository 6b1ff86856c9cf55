// The setup helper, loaded as an installer loads it, from a folder whose name has blanks, next
// to a stand-in program that writes down the arguments it was started with.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "test_support.h"

namespace tnw::setup {
namespace {

namespace fs = std::filesystem;
using Entry = int (*)(void*);

// Waits for a file the stand-in writes; the helper does not wait for the program it starts.
std::string awaitFile(const std::string& path) {
  for (int i = 0; i < 200 && !fs::exists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return testing::readFile(path);
}

class SetupHelper : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.file("Program Files/Tarnwell's \"setup\"");
    fs::create_directories(folder_);
    fs::copy_file(std::string(TARNWELL_BIN_DIR) + "/libtnw_inst.so", folder_ + "/libtnw_inst.so");
    record_ = dir_.file("arguments");
  }

  void installStandIn() {
    std::ofstream script(folder_ + "/tarnwell");
    script << "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" << record_ << ".part'\n"
           << "mv '" << record_ << ".part' '" << record_ << "'\n";
    script.close();
    fs::permissions(folder_ + "/tarnwell", fs::perms::owner_all);
  }

  Entry entry(const char* name) {
    handle_ = dlopen((folder_ + "/libtnw_inst.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(handle_, nullptr) << dlerror();
    return handle_ ? reinterpret_cast<Entry>(dlsym(handle_, name)) : nullptr;
  }

  void TearDown() override {
    if (handle_) dlclose(handle_);
  }

  testing::TempDir dir_;
  std::string folder_, record_;
  void* handle_ = nullptr;
};

TEST_F(SetupHelper, StartsTheProgramBesideItWithNoArgument) {
  installStandIn();
  Entry start = entry("fnTNWInst");
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start(nullptr), 0);
  EXPECT_EQ(awaitFile(record_), "");
  EXPECT_TRUE(fs::exists(record_));
}

TEST_F(SetupHelper, TheRegisteringEntryPassesRegisterAsAnArgumentOfItsOwn) {
  installStandIn();
  Entry reg = entry("fnTNWInstReg");
  ASSERT_NE(reg, nullptr);
  int dummy = 0;
  EXPECT_EQ(reg(&dummy), 0);
  EXPECT_EQ(awaitFile(record_), "[/Register]");
}

TEST_F(SetupHelper, WithoutTheProgramNothingStartsAndBothStillReturnZero) {
  for (const char* name : {"fnTNWInst", "fnTNWInstReg"}) {
    Entry e = entry(name);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e(nullptr), 0);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(fs::exists(record_));
}

}  // namespace
}  // namespace tnw::setup
