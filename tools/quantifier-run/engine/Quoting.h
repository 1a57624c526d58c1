// Names in messages, quoted so that they show exactly what the input held.
#pragma once

#include <string>
#include <string_view>

namespace quantifier_run {

// `text` between double quotes, with quotes, backslashes and control characters escaped the
// way JSON escapes them: a name that holds a line break must not break a one-line message.
std::string Quoted(std::string_view text);

// Appends `c` to `text`, escaped as Quoted escapes it when it is a control character.
void AppendEscapedControl(std::string& text, char c);

}  // namespace quantifier_run
