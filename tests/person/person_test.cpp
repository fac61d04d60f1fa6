#include <gtest/gtest.h>

#include <sstream>

#include "kestrel/person.h"

namespace {
using kestrel::Action;
using kestrel::Prompt;

TEST(Person, LinesSplitIntoVerbAndArgument) {
  struct Case {
    const char* line;
    const char* verb;
    const char16_t* argument;
  };
  const Case cases[] = {
      {"choose Capture Full Screen", "choose", u"Capture Full Screen"},
      {"  answer\t  Yes  \r", "answer", u"Yes"},
      {"dismiss", "dismiss", u""},
      {"set txtURL http://x/?a b", "set", u"txtURL http://x/?a b"},
      {"save C:\\Temp\\caf\xc3\xa9.jpg", "save", u"C:\\Temp\\caf\u00e9.jpg"},
      {"", "", u""},
      {"   ", "", u""},
      {"# a comment", "", u""},
  };
  for (const Case& c : cases) {
    Action a = kestrel::ParseAction({c.line, 7});
    EXPECT_EQ(a.verb, c.verb) << c.line;
    EXPECT_EQ(a.argument, c.argument) << c.line;
    EXPECT_EQ(a.line, 7);
  }
}

TEST(Person, AScriptedPersonActsLineByLineThenCancels) {
  kestrel::ScriptedPerson person({"# why", "", "choose Capture IE Page", "answer No"});
  Prompt menu{Prompt::Kind::kPopupMenu, u"", u"", {u"Capture IE Page"}};
  Action first = person.Act(menu);
  EXPECT_EQ(first.verb, "choose");
  EXPECT_EQ(first.argument, u"Capture IE Page");
  EXPECT_EQ(first.line, 3);
  EXPECT_EQ(person.Act(menu).line, 4);
  EXPECT_TRUE(person.Act(menu).IsCancel());
  EXPECT_EQ(person.Failure(), "");
  EXPECT_FALSE(person.Reject(first, u"no item \"Capture IE Page\""));
  EXPECT_FALSE(person.Reject(Action{"x", u"", 9}, u"later"));
  EXPECT_EQ(person.Failure(), "line 3: no item \"Capture IE Page\"") << "the first failure is kept";
}

TEST(Person, ATerminalPersonShowsThePromptAndAsksAgainAfterARefusal) {
  std::istringstream in("\nchoose Misc\ndismiss\n");
  std::ostringstream out;
  kestrel::TerminalPerson person(in, out);
  Prompt box{Prompt::Kind::kMessageBox, u"Kestrel", u"Saved", {u"&Ok"}};
  Action a = person.Act(box);
  EXPECT_EQ(a.verb, "choose");
  EXPECT_EQ(out.str(), "message \"Kestrel\": Saved\n  &Ok\n? ? ");
  EXPECT_TRUE(person.Reject(a, u"a message box has no items"));
  EXPECT_NE(out.str().find("cannot choose here: a message box has no items"), std::string::npos);
  EXPECT_EQ(person.Act(box).verb, "dismiss");
  EXPECT_TRUE(person.Act(box).IsCancel()) << "the end of input cancels";
}

TEST(Person, TheCurrentPersonIsUnattendedUntilOneIsSet) {
  EXPECT_TRUE(kestrel::CurrentPerson()->Act(Prompt{}).IsCancel());
  auto scripted = std::make_shared<kestrel::ScriptedPerson>(std::vector<std::string>{"answer Yes"});
  kestrel::SetPerson(scripted);
  EXPECT_EQ(kestrel::CurrentPerson(), scripted);
  EXPECT_EQ(kestrel::CurrentPerson()->Act(Prompt{}).verb, "answer");
  kestrel::SetPerson(nullptr);
  EXPECT_TRUE(kestrel::CurrentPerson()->Act(Prompt{}).IsCancel());
  EXPECT_FALSE(kestrel::CurrentPerson()->Reject(Action{}, u""));
}

}  // namespace
