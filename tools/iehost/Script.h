// Where iehost's commands come from: a script file, standard input, or a
// terminal (with a prompt). The scripted person reads its answers from the
// same source, so a script holds both the commands and what is done in the
// modal windows they open.
#pragma once

#include <fstream>
#include <istream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "kestrel/person.h"

namespace iehost {

class LineSource {
 public:
  // Reads in; prompt (when not empty) is written before each line.
  explicit LineSource(std::istream& in, std::string prompt = {});
  // A script file, "-" for standard input. Null when the file cannot be read.
  static std::unique_ptr<LineSource> OpenScript(const std::string& path);

  // The next line, numbered from 1 (0 when typed at a prompt); nothing at
  // the end. Safe on any thread.
  std::optional<kestrel::ScriptLine> Next();

 private:
  std::unique_ptr<std::ifstream> file_;
  std::istream& in_;
  std::string prompt_;
  std::mutex mutex_;
  int number_ = 0;
};

// The commands and what they do, as --help and "help" list them.
extern const char kCommandHelp[];

}  // namespace iehost
