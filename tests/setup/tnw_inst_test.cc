// The setup helper, loaded as an installer loads it, from a folder whose name has blanks, next
// to a stand-in program that writes down the arguments it was started with.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// An installer that captures the output of what it runs and holds a pipe any child would inherit:
// the call must come back, and both pipes must close, while the program is still running.
TEST_F(SetupHelper, TheProgramIsDetachedFromACallerThatCapturesItsOutput) {
  // The stand-in writes down its descriptors and session, then stays for a while.
  {
    std::ofstream script(folder_ + "/tarnwell");
    script << "#!/usr/bin/python3\n"
              "import os, sys, time\n"
              "fds = []\n"
              "for name in sorted(os.listdir('/proc/self/fd'), key=int):\n"
              "    try: fds.append(name + '=' + os.readlink('/proc/self/fd/' + name))\n"
              "    except OSError: pass\n"
              "fds = [f for f in fds if '/proc/' not in f]\n"
              "leader = os.getsid(0) == os.getpid()\n"
              "with open('" << record_ << ".part', 'w') as f:\n"
              "    f.write(' '.join(fds) + (' leader' if leader else ' follower'))\n"
              "os.rename('" << record_ << ".part', '" << record_ << "')\n"
              "time.sleep(4)\n"
              "open('" << record_ << ".done', 'w').close()\n";
  }
  fs::permissions(folder_ + "/tarnwell", fs::perms::owner_all);

  int captured[2], held[2];
  ASSERT_EQ(pipe(captured), 0);
  ASSERT_EQ(pipe(held), 0);
  pid_t installer = fork();
  ASSERT_GE(installer, 0);
  if (installer == 0) {
    dup2(captured[1], 1);
    close(captured[0]);
    close(held[0]);
    // The installer loads the library and calls it, as the other tests do, then ends.
    Entry start = entry("fnTNWInst");
    _exit(start && start(nullptr) == 0 ? 0 : 1);
  }
  close(captured[1]);
  close(held[1]);

  // Both pipes reach their end once the installer is gone, long before the program ends.
  auto start = std::chrono::steady_clock::now();
  for (int fd : {captured[0], held[0]}) {
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 3000), 1) << "a pipe of the caller stayed open";
    char byte;
    EXPECT_EQ(read(fd, &byte, 1), 0);
    close(fd);
  }
  int status = 0;
  waitpid(installer, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

  EXPECT_EQ(awaitFile(record_), "0=/dev/null 1=/dev/null 2=/dev/null leader");
  EXPECT_FALSE(fs::exists(record_ + ".done")) << "the program should still be running";
}

}  // namespace
}  // namespace tnw::setup
