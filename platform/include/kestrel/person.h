// The person in front of the screen. Everything modal asks the one current
// person what is done: which popup menu item is chosen, what is done in a
// modal form until it closes, which button answers a message box, what the
// Save dialog returns, what happens to a mail. Three kinds:
//   ScriptedPerson   takes its actions from script lines (tests, iehost --script)
//   TerminalPerson   shows the prompt on a terminal and reads what is typed
//   UnattendedPerson cancels everything
// Until one is set, the current person is unattended.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

// What is shown modally, as the person sees it.
struct Prompt {
  enum class Kind { kPopupMenu, kMessageBox, kForm, kSaveDialog, kMail };
  Kind kind = Kind::kMessageBox;
  std::u16string title;                 // caption of the box, form or dialog
  std::u16string text;                  // message text, or what the form shows
  std::vector<std::u16string> choices;  // menu items, buttons or controls, in order
};

// The name of a prompt's kind as scripts and terminals show it ("menu",
// "message", "form", "save dialog", "mail").
const char* PromptKindName(Prompt::Kind kind);

// One line of a script: its text and where it came from.
struct ScriptLine {
  std::string text;  // UTF-8, without the line end
  int number = 0;    // 1-based; 0 when typed on a terminal
};

// One thing the person does: a verb of the scripts' vocabulary ("choose",
// "dismiss", "answer", "press", "set", "tick", "save", "cancel", ...) and the
// rest of its line.
struct Action {
  std::string verb;
  std::u16string argument;
  int line = 0;  // the script line it came from, 0 elsewhere

  bool IsCancel() const { return verb == "cancel"; }
};

// Splits a line into verb and argument at the first run of blanks. Blank
// lines and lines starting with '#' give an empty verb.
Action ParseAction(const ScriptLine& line);

class Person {
 public:
  virtual ~Person() = default;
  // The next action about prompt. A person that has nothing (more) to say
  // answers "cancel".
  virtual Action Act(const Prompt& prompt) = 0;
  // The caller could not carry out action here, for the reason given. True
  // when the caller should ask again (a terminal person retries); false
  // when it should give up as if cancelled (the failure is then kept, see
  // Failure()).
  virtual bool Reject(const Action& action, const std::u16string& reason) = 0;
  // The first rejected action's description ("line 4: ..."), empty if none.
  virtual std::string Failure() const { return {}; }
};

class UnattendedPerson : public Person {
 public:
  Action Act(const Prompt& prompt) override;
  bool Reject(const Action& action, const std::u16string& reason) override;
};

class ScriptedPerson : public Person {
 public:
  // Lines come from next until it gives nothing; blank and comment lines are
  // skipped.
  explicit ScriptedPerson(std::function<std::optional<ScriptLine>()> next);
  // The given lines, numbered from 1.
  explicit ScriptedPerson(std::vector<std::string> lines);

  Action Act(const Prompt& prompt) override;
  bool Reject(const Action& action, const std::u16string& reason) override;
  std::string Failure() const override { return failure_; }

 private:
  std::function<std::optional<ScriptLine>()> next_;
  std::string failure_;
};

class TerminalPerson : public Person {
 public:
  // Shows prompts on out and reads actions from in; the end of input cancels.
  TerminalPerson(std::istream& in, std::ostream& out);

  Action Act(const Prompt& prompt) override;
  bool Reject(const Action& action, const std::u16string& reason) override;

 private:
  std::istream& in_;
  std::ostream& out_;
};

// The current person (never null) and its replacement. Process-wide: there
// is one person in front of all windows.
std::shared_ptr<Person> CurrentPerson();
void SetPerson(std::shared_ptr<Person> person);

}  // namespace kestrel
