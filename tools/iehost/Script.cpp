#include "Script.h"

#include <iostream>

namespace iehost {

const char kCommandHelp[] =
    "Commands, one a line (blank lines and lines starting with # are skipped):\n"
    "  navigate URL         go to URL in the current window\n"
    "  window new           open another browser window; it becomes the current one\n"
    "  window close         close the current window (its bands are released)\n"
    "  status               show the status bar's text\n"
    "  expect status TEXT   stop with exit status 1 unless the status bar shows TEXT\n"
    "  quit                 close every window and end\n";

LineSource::LineSource(std::istream& in, std::string prompt) : in_(in), prompt_(std::move(prompt)) {}

std::unique_ptr<LineSource> LineSource::OpenScript(const std::string& path) {
  if (path == "-") return std::make_unique<LineSource>(std::cin);
  auto file = std::make_unique<std::ifstream>(path);
  if (!*file) return nullptr;
  auto source = std::make_unique<LineSource>(*file);
  source->file_ = std::move(file);
  return source;
}

std::optional<kestrel::ScriptLine> LineSource::Next() {
  std::lock_guard lock(mutex_);
  if (!prompt_.empty()) std::cout << prompt_ << std::flush;
  std::string text;
  if (!std::getline(in_, text)) {
    if (!prompt_.empty()) std::cout << '\n';
    return std::nullopt;
  }
  if (!text.empty() && text.back() == '\r') text.pop_back();
  // Typed lines have no number: there is no script to point into.
  return kestrel::ScriptLine{std::move(text), prompt_.empty() ? ++number_ : 0};
}

}  // namespace iehost
