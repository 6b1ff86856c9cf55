// What differs between the operating systems, kept in one place at the bottom of the house: the
// core and the programs call these and include no system header of their own. Paths are UTF-8
// text everywhere else; only here do they meet the system's own form.
#pragma once

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tnw::platform {

// A path from UTF-8 text and back. std::filesystem::path's own conversions from std::string
// follow the system's narrow encoding, which on Windows is not UTF-8 for the C++ library even
// when it is for the system: names with "Ü" or CJK letters would come back double-encoded.
std::filesystem::path pathFromUtf8(std::string_view utf8);
std::string pathToUtf8(const std::filesystem::path& path);
// The last part of a path (file name with extension), as UTF-8.
std::string fileName(std::string_view utf8Path);

// The folder of the running program, without a trailing separator; empty when unknown.
std::string executableDirectory();
// The full path of the running program; empty when unknown.
std::string executablePath();
// The separator this system puts between folders in the paths it shows.
char preferredSeparator();

// Whether a stream is connected to a terminal (a console on Windows).
bool isTerminal(std::FILE* stream);
// Writes UTF-8 text to the program's output or error stream. A Windows console takes it as
// UTF-16 (WriteConsoleW), so every letter shows whatever the console's code page; files,
// pipes and terminals get the UTF-8 bytes.
void writeText(std::FILE* stream, std::string_view utf8);

// The files an argument of a command line names. Where the shell expands wildcards (Linux),
// the argument itself. Windows leaves that to the program: there an argument with `*` or `?`
// in its last part stands for the files (not folders) of that folder whose names match, sorted
// as the file system sorts them, each with the folder as the argument wrote it. False, with
// *problem naming the argument, when nothing matches.
bool expandWildcards(const std::string& argument, std::vector<std::string>* files, std::string* problem);
// Calls `handler` (from a thread or signal context: it may only set a flag) when the user
// interrupts from the console: Ctrl-C, and on Windows Ctrl-Break too. A second interrupt
// ends the program the system's usual way.
void onInterrupt(void (*handler)());

// The local calendar time of a moment; reentrant, since files convert on several threads.
bool localTime(std::time_t moment, std::tm* out);
// A calendar time as the user's short date followed by the time of day, in the user's locale;
// empty when the system cannot write it.
std::string localDateTimeText(const std::tm& when);

// This machine's name on the network, as UTF-8; "localhost" when the system does not say.
std::string hostName();

// The most memory the process has held at once, in megabytes.
double peakMemoryMegabytes();

// Lifts the limit on open files to the most the system grants: the .xlsx writer holds one
// temporary file open per sheet until the workbook is complete.
void raiseOpenFileLimit();

// Hands what this thread wrote through libxlsxwriter and has not yet reached its streams to them
// (on Windows its cells are gathered per thread: cmake/xlsxwriter-win32.h). Called by a thread
// that wrote cells before another thread uses the workbook's streams.
void handOverLibraryWrites();

// Opens a file by its UTF-8 path, with the modes of std::fopen.
std::FILE* openFile(const std::string& path, const char* mode);
// Creates a new, empty file, failing when anything of that name exists already.
enum class NewFile { kCreated, kExists, kFailed };
NewFile createNewFile(const std::string& path, std::string* problem);
// Puts `from` in the place of `to` in one step: `to` is the old file or the new one, never
// half of either.
bool replaceFile(const std::string& from, const std::string& to, std::string* problem);
// Whether the path names something other than a file or folder (a device such as /dev/null or
// NUL, CON, COM1; a pipe) that a finished workbook must not be put in place of.
bool isSpecialFile(const std::string& path);
// Whether the path names a file marked read-only, which a new workbook must not replace.
bool isReadOnly(const std::string& path);
// Whether the path names a pipe, which can be read only once from its start.
bool isPipe(const std::string& path);
// The system's text for an error number of the C library.
std::string errorText(int number);

// The program's arguments as UTF-8, the program's name first.
std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace tnw::platform
