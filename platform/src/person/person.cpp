#include "kestrel/person.h"

#include <istream>
#include <mutex>
#include <ostream>

#include "kestrel/codepage.h"

namespace kestrel {

namespace {

std::mutex g_person_mutex;
std::shared_ptr<Person> g_person;

Action Cancel() { return Action{"cancel", u"", 0}; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

const char* PromptKindName(Prompt::Kind kind) {
  switch (kind) {
    case Prompt::Kind::kPopupMenu: return "menu";
    case Prompt::Kind::kMessageBox: return "message";
    case Prompt::Kind::kForm: return "form";
    case Prompt::Kind::kSaveDialog: return "save dialog";
    case Prompt::Kind::kMail: return "mail";
  }
  return "prompt";
}

Action ParseAction(const ScriptLine& line) {
  const std::string& s = line.text;
  size_t begin = 0;
  while (begin < s.size() && IsBlank(s[begin])) ++begin;
  size_t end = s.size();
  while (end > begin && IsBlank(s[end - 1])) --end;
  Action action;
  action.line = line.number;
  if (begin == end || s[begin] == '#') return action;
  size_t verbEnd = begin;
  while (verbEnd < end && !IsBlank(s[verbEnd])) ++verbEnd;
  action.verb = s.substr(begin, verbEnd - begin);
  size_t argBegin = verbEnd;
  while (argBegin < end && IsBlank(s[argBegin])) ++argBegin;
  action.argument = codepage::FromUtf8(s.substr(argBegin, end - argBegin));
  return action;
}

Action UnattendedPerson::Act(const Prompt&) { return Cancel(); }
bool UnattendedPerson::Reject(const Action&, const std::u16string&) { return false; }

ScriptedPerson::ScriptedPerson(std::function<std::optional<ScriptLine>()> next) : next_(std::move(next)) {}

ScriptedPerson::ScriptedPerson(std::vector<std::string> lines)
    : next_([lines = std::move(lines), i = size_t{0}]() mutable -> std::optional<ScriptLine> {
        if (i >= lines.size()) return std::nullopt;
        ++i;
        return ScriptLine{lines[i - 1], static_cast<int>(i)};
      }) {}

Action ScriptedPerson::Act(const Prompt&) {
  while (std::optional<ScriptLine> line = next_()) {
    Action action = ParseAction(*line);
    if (!action.verb.empty()) return action;
  }
  return Cancel();
}

bool ScriptedPerson::Reject(const Action& action, const std::u16string& reason) {
  if (failure_.empty()) failure_ = "line " + std::to_string(action.line) + ": " + codepage::ToUtf8(reason);
  return false;
}

TerminalPerson::TerminalPerson(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

Action TerminalPerson::Act(const Prompt& prompt) {
  out_ << PromptKindName(prompt.kind);
  if (!prompt.title.empty()) out_ << " \"" << codepage::ToUtf8(prompt.title) << '"';
  out_ << ":";
  if (!prompt.text.empty()) out_ << ' ' << codepage::ToUtf8(prompt.text);
  out_ << '\n';
  for (size_t i = 0; i < prompt.choices.size(); ++i) out_ << "  " << codepage::ToUtf8(prompt.choices[i]) << '\n';
  std::string text;
  while (true) {
    out_ << "? " << std::flush;
    if (!std::getline(in_, text)) return Cancel();
    Action action = ParseAction(ScriptLine{text, 0});
    if (!action.verb.empty()) return action;
  }
}

bool TerminalPerson::Reject(const Action& action, const std::u16string& reason) {
  out_ << "cannot " << action.verb << " here: " << codepage::ToUtf8(reason) << '\n';
  return true;
}

std::shared_ptr<Person> CurrentPerson() {
  std::lock_guard lock(g_person_mutex);
  if (!g_person) g_person = std::make_shared<UnattendedPerson>();
  return g_person;
}

void SetPerson(std::shared_ptr<Person> person) {
  std::lock_guard lock(g_person_mutex);
  g_person = person ? std::move(person) : std::make_shared<UnattendedPerson>();
}

}  // namespace kestrel
