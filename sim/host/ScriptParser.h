// Reading natspeak.exe's script language: one command per line, '#' starts a comment
// line, arguments separated by blanks, "double quotes" around arguments with blanks
// (escapes \n \r \t \" \\ inside them).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qmhost {

struct ScriptCommand {
    int line = 0;
    std::string name;
    std::vector<std::string> args;
    std::string text; // the line as written, for messages
    // on-box CAPTION TEXT COMMAND...: the command run inside the box (args hold all words).
    std::shared_ptr<const ScriptCommand> triggered;
};

// Returns false with error ("line N: ...") on an unterminated quote or an on-box line
// without its caption, text and command.
bool ParseScript(const std::string& source, std::vector<ScriptCommand>& commands, std::string& error);

// Splits one line into words (with where each starts in line, when starts is given);
// false on an unterminated quote.
bool SplitLine(const std::string& line, std::vector<std::string>& words, std::vector<size_t>* starts = nullptr);

} // namespace qmhost
