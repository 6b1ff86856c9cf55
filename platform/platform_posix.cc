#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"

namespace tnw::platform {

std::string executablePath() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.string();
}

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

void writeText(std::FILE* stream, std::string_view utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stream); }

bool expandWildcards(const std::string& argument, std::vector<std::string>* files, std::string*) {
  files->push_back(argument);  // the shell has done it
  return true;
}

namespace {

void (*gInterruptHandler)() = nullptr;

extern "C" void onSigint(int) {
  std::signal(SIGINT, SIG_DFL);  // the next Ctrl-C ends the program
  if (gInterruptHandler) gInterruptHandler();
}

}  // namespace

void onInterrupt(void (*handler)()) {
  gInterruptHandler = handler;
  std::signal(SIGINT, onSigint);
}

bool localTime(std::time_t moment, std::tm* out) { return ::localtime_r(&moment, out) != nullptr; }

std::string localDateTimeText(const std::tm& when) {
  char buf[128];
  const size_t n = std::strftime(buf, sizeof buf, "%x %X", &when);
  return std::string(buf, n);
}

std::string hostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

double peakMemoryMegabytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

void raiseOpenFileLimit() {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  ::setrlimit(RLIMIT_NOFILE, &limit);  // the old limit stays when the system says no
}

void handOverLibraryWrites() {}  // libxlsxwriter writes straight to its streams here

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

NewFile createNewFile(const std::string& path, std::string* problem) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) return ::close(fd), NewFile::kCreated;
  if (errno == EEXIST) return NewFile::kExists;
  *problem = errorText(errno);
  return NewFile::kFailed;
}

bool replaceFile(const std::string& from, const std::string& to, std::string* problem) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  *problem = errorText(errno);
  return false;
}

bool isSpecialFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::file_status status = std::filesystem::status(path, ec);
  return std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
         !std::filesystem::is_directory(status);
}

bool isReadOnly(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool isPipe(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_fifo(path, ec);
}

std::string errorText(int number) { return std::error_code(number, std::generic_category()).message(); }

std::vector<std::string> commandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace tnw::platform
