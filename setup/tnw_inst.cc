// Starts the program "tarnwell" beside this library. Only the C library is used: the helper is
// loaded into an installer's process, which must not gain anything else from it.
//
// The program is started directly, its path and each argument apart (never a command line read
// by a shell), so a folder with blanks in its name works for both entries. It is started by a
// child that exits at once, so the program is nobody's child in the installer and no zombie is
// left behind whether or not the installer ever waits.
#include "setup/tnw_inst.h"

#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
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

void start(bool registering) {
  char path[PATH_MAX];
  if (!programPath(path, sizeof path)) return;
  char* argv[] = {path, registering ? const_cast<char*>(kRegister) : nullptr, nullptr};
  pid_t child = fork();
  if (child < 0) return;
  if (child == 0) {
    // Only calls that are safe between fork and exec from here on.
    if (fork() == 0) {
      execv(path, argv);
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
