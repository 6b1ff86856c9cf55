// Starts the program "tarnwell" beside this library. Only the C library is used: the helper is
// loaded into an installer's process, which must not gain anything else from it.
//
// The program is started directly, its path and each argument apart (never a command line read
// by a shell), so a folder with blanks in its name works for both entries. It is started by a
// child that exits at once, so the program is nobody's child in the installer and no zombie is
// left behind whether or not the installer ever waits.
//
// The program is detached from its caller: its standard streams are /dev/null, it keeps no other
// descriptor of the installer and it leads a session of its own. An installer that captures the
// output of what it runs would otherwise wait on the pipe until the user closes Tarnwell.
#include "setup/tnw_inst.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr char kProgram[] = "tarnwell";
constexpr char kRegister[] = "/Register";

// The folder of this library with the program's name after it; false when it cannot be told.
bool programPath(char* out, size_t size) {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&fnTNWInst), &info) == 0 || !info.dli_fname) return false;
  char resolved[PATH_MAX];
  if (!realpath(info.dli_fname, resolved)) return false;
  char* slash = strrchr(resolved, '/');
  if (!slash) return false;
  slash[1] = '\0';
  if (strlen(resolved) + sizeof kProgram > size) return false;
  strcpy(out, resolved);
  strcat(out, kProgram);
  return true;
}

// Closes every descriptor from 3 up. Called between fork and exec, so only system calls.
void closeInherited(long openMax) {
#ifdef SYS_close_range
  if (syscall(SYS_close_range, 3U, ~0U, 0U) == 0) return;
#endif
  for (long fd = 3; fd < openMax; ++fd) close(static_cast<int>(fd));
}

// Standard streams on /dev/null, a session of its own; false when that cannot be had.
bool detach(long openMax) {
  if (setsid() < 0) return false;
  int null = open("/dev/null", O_RDWR);
  if (null < 0) return false;
  for (int fd = 0; fd <= 2; ++fd) {
    if (null != fd && dup2(null, fd) < 0) return false;
  }
  closeInherited(openMax);
  return true;
}

void start(bool registering) {
  char path[PATH_MAX];
  if (!programPath(path, sizeof path)) return;
  char* argv[] = {path, registering ? const_cast<char*>(kRegister) : nullptr, nullptr};
  // Asked before the fork: sysconf is not among the calls that are safe after it.
  long openMax = sysconf(_SC_OPEN_MAX);
  if (openMax < 0 || openMax > 1 << 20) openMax = 1 << 20;
  pid_t child = fork();
  if (child < 0) return;
  if (child == 0) {
    // Only calls that are safe between fork and exec from here on.
    if (fork() == 0) {
      if (detach(openMax)) execv(path, argv);
      _exit(127);
    }
    _exit(0);
  }
  int status;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

extern "C" int fnTNWInst(void*) {
  start(false);
  return 0;
}

extern "C" int fnTNWInstReg(void*) {
  start(true);
  return 0;
}
