// iehost: plays the browser that hosts the toolbar band. Opens a browser
// window with every band listed under
// HKLM\SOFTWARE\Microsoft\Internet Explorer\Toolbar and runs commands from a
// script or, on a terminal, as they are typed. Every visible event prints
// one transcript line on standard output.
//
//   iehost [--script FILE | --script -] [--help]
//
// Exit status: 0 done, 1 an expect was not met, 2 a script error (unknown
// command, missing argument), 3 bad usage or no window could be opened.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "BrowserWindow.h"
#include "Script.h"
#include "Transcript.h"
#include "com/runtime.h"
#include "com/server_module.h"
#include "kestrel/codepage.h"
#include "kestrel/person.h"

namespace {

using iehost::BrowserWindow;
using iehost::Complain;
using iehost::Say;
using kestrel::Action;
using kestrel::codepage::ToUtf8;

enum Exit { kDone = 0, kExpectFailed = 1, kScriptError = 2, kUsage = 3 };

void Usage(FILE* out) {
  std::fprintf(out,
               "usage: iehost [--script FILE]\n"
               "  Opens a browser window with the bands listed under\n"
               "  HKLM\\SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar and runs commands:\n"
               "  from FILE (\"-\" for standard input) with --script, otherwise as they are\n"
               "  typed on the terminal. Every visible event prints one line.\n\n%s\n"
               "Exit status: 0 done, 1 an expect was not met, 2 a script error,\n"
               "3 bad usage or no window could be opened.\n",
               iehost::kCommandHelp);
}

struct Outcome {
  Exit exit = kDone;
  bool quit = false;
  std::string message;  // what went wrong
};

class Host {
 public:
  // Opens the first window; false when it cannot be made.
  bool Start() { return Open(); }

  Outcome Execute(const Action& a) {
    const std::string argument = ToUtf8(a.argument);
    if (a.verb == "quit") return argument.empty() ? Outcome{kDone, true, {}} : Error("quit takes no argument");
    if (a.verb == "help") {
      std::fputs(iehost::kCommandHelp, stdout);
      return {};
    }
    if (a.verb == "navigate") {
      if (argument.empty()) return Error("navigate needs a URL");
      return OnCurrent([&](BrowserWindow& w) { w.browser().Navigate(a.argument); });
    }
    if (a.verb == "window") {
      if (argument == "new") return Open() ? Outcome{} : Error("the browser window could not be made");
      if (argument == "close") {
        if (windows_.empty()) return Error("no browser window is open");
        windows_.back()->Close();
        windows_.pop_back();
        return {};
      }
      return Error(argument.empty() ? "window needs new or close" : "window takes new or close, not '" + argument + "'");
    }
    if (a.verb == "status") {
      if (!argument.empty()) return Error("status takes no argument");
      return OnCurrent([](BrowserWindow& w) { Say(u"status: " + w.browser().StatusText()); });
    }
    if (a.verb == "expect") return Expect(a);
    return Error("unknown command '" + a.verb + "'");
  }

  // Closes every window, the last opened first.
  void CloseAll() {
    while (!windows_.empty()) {
      windows_.back()->Close();
      windows_.pop_back();
    }
  }

 private:
  static Outcome Error(std::string message) { return {kScriptError, false, std::move(message)}; }

  bool Open() {
    try {
      windows_.push_back(std::make_unique<BrowserWindow>(++opened_));
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }

  template <class Body>
  Outcome OnCurrent(Body body) {
    if (windows_.empty() || !windows_.back()->Run([&] { body(*windows_.back()); }))
      return Error("no browser window is open");
    return {};
  }

  Outcome Expect(const Action& a) {
    const std::u16string& argument = a.argument;
    const size_t blank = argument.find_first_of(u" \t");
    const std::u16string what = argument.substr(0, blank);
    std::u16string text;  // the rest of the line, maybe empty
    if (blank != std::u16string::npos) {
      const size_t start = argument.find_first_not_of(u" \t", blank);
      if (start != std::u16string::npos) text = argument.substr(start);
    }
    if (what.empty()) return Error("expect needs what to expect (status TEXT)");
    if (what != u"status") return Error("unknown expectation '" + ToUtf8(what) + "'");
    std::u16string status;
    Outcome reached = OnCurrent([&](BrowserWindow& w) { status = w.browser().StatusText(); });
    if (reached.exit != kDone) return reached;
    if (status == text) return {};
    return {kExpectFailed, false, "expected status \"" + ToUtf8(text) + "\", status is \"" + ToUtf8(status) + "\""};
  }

  std::vector<std::unique_ptr<BrowserWindow>> windows_;
  int opened_ = 0;
};

std::string Where(const Action& a) { return a.line ? "line " + std::to_string(a.line) + ": " : ""; }

}  // namespace

int main(int argc, char** argv) {
  std::string script;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
      Usage(stdout);
      return kDone;
    }
    if (!std::strcmp(argv[i], "--script") && i + 1 < argc) {
      script = argv[++i];
      continue;
    }
    Usage(stderr);
    return kUsage;
  }

  const bool interactive = script.empty() && isatty(0);
  std::unique_ptr<iehost::LineSource> source;
  if (interactive) {
    source = std::make_unique<iehost::LineSource>(std::cin, "iehost> ");
    kestrel::SetPerson(std::make_shared<kestrel::TerminalPerson>(std::cin, std::cout));
  } else {
    source = iehost::LineSource::OpenScript(script.empty() ? "-" : script);
    if (!source) {
      Complain("cannot read the script " + script);
      return kUsage;
    }
    kestrel::SetPerson(std::make_shared<kestrel::ScriptedPerson>([&source] { return source->Next(); }));
  }
  if (interactive) std::printf("iehost: type commands, \"help\" lists them, \"quit\" or Ctrl-D ends.\n");

  Host host;
  if (!host.Start()) {
    Complain("the browser window could not be made");
    return kUsage;
  }
  Exit exit = kDone;
  while (std::optional<kestrel::ScriptLine> line = source->Next()) {
    Action action = kestrel::ParseAction(*line);
    if (action.verb.empty()) continue;
    Outcome outcome = host.Execute(action);
    if (outcome.quit) break;
    if (outcome.exit == kDone) {
      std::string failure = kestrel::CurrentPerson()->Failure();
      if (failure.empty()) continue;
      Complain(failure);
      exit = kScriptError;
      break;
    }
    Complain(Where(action) + outcome.message);
    if (!interactive) {
      exit = outcome.exit;
      break;
    }
  }
  host.CloseAll();
  kestrel::SetPerson(nullptr);
  const long alive = kestrel::com::LiveObjects();
  if (alive == 0) {
    Say("every object released");
  } else {
    Say("objects still alive: " + std::to_string(alive));
  }
  return exit;
}
