// The files a run takes: paths given, folders searched for PAS files, and lists of paths read
// from a file, for archives too large for a command line.
#pragma once

#include <string>
#include <vector>

namespace tnw::archive {

struct Inputs {
  std::vector<std::string> files;    // in the order found
  std::vector<std::string> folders;  // the folders given, as given
  // Entries that could not be searched or read, and folders without a PAS file: they are
  // skipped, and the message says why, naming the path.
  struct Problem {
    std::string path;
    std::string message;
  };
  std::vector<Problem> problems;
};

// Adds one input: a folder is searched through its subfolders for files whose name ends in
// ".pas" in any letter case, in name order; a link to a folder is followed unless that folder
// was searched already, so links cannot make a loop. Anything else is taken as a file.
void addInput(const std::string& given, Inputs* inputs);

// Reads paths from a file, one per line, blank lines skipped ("-" reads standard input).
// False when the file cannot be read; *err then names it.
bool readInputList(const std::string& listFile, std::vector<std::string>* paths, std::string* err);

// True for a name ending in ".pas" in any letter case.
bool hasPasExtension(const std::string& name);

}  // namespace tnw::archive
