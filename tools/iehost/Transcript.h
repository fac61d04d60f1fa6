// The transcript: one line on standard output for every visible event,
// whichever thread it happens on.
#pragma once

#include <string>

namespace iehost {

void Say(const std::string& line);
void Say(const std::u16string& line);
// A failure report on standard error.
void Complain(const std::string& line);

}  // namespace iehost
