// The few things the core needs from the operating system, kept in one place.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>

namespace tnw::pas {

// The folder of the running program, without a trailing separator; empty when unknown.
std::string executableDirectory();
// Whether a stream is connected to a terminal.
bool isTerminal(std::FILE* stream);
// The local calendar time of a moment; reentrant, since files convert on several threads.
bool localTime(std::time_t moment, std::tm* out);
// Lifts the limit on open files to the most the system grants: the .xlsx writer holds one
// temporary file open per sheet until the workbook is complete.
void raiseOpenFileLimit();

}  // namespace tnw::pas
