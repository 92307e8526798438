#include "ScriptParser.h"

#include <sstream>

namespace qmhost {

bool SplitLine(const std::string& line, std::vector<std::string>& words, std::vector<size_t>* starts) {
    words.clear();
    if (starts)
        starts->clear();
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size())
            break;
        if (starts)
            starts->push_back(i);
        std::string word;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size()) {
                    char e = line[i++];
                    word += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
                } else {
                    word += c;
                }
            }
            if (!closed)
                return false;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t')
                word += line[i++];
        }
        words.push_back(word);
    }
    return true;
}

namespace {

// The command made of words[from...]; an on-box line also gets the command it triggers
// (which may be an on-box line itself). False when an on-box lacks its command.
bool BuildCommand(const std::string& line, int number, const std::vector<std::string>& words,
                  const std::vector<size_t>& starts, size_t from, ScriptCommand& command) {
    command.line = number;
    command.name = words[from];
    command.args.assign(words.begin() + from + 1, words.end());
    command.text = line.substr(starts[from]);
    if (command.name != "on-box")
        return true;
    // on-box CAPTION TEXT|* COMMAND [ARGUMENTS...]
    const size_t commandWord = from + 3;
    if (words.size() <= commandWord)
        return false;
    auto triggered = std::make_shared<ScriptCommand>();
    if (!BuildCommand(line, number, words, starts, commandWord, *triggered))
        return false;
    command.triggered = triggered;
    return true;
}

} // namespace

bool ParseScript(const std::string& source, std::vector<ScriptCommand>& commands, std::string& error) {
    std::istringstream in(source);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::vector<std::string> words;
        std::vector<size_t> starts;
        if (!SplitLine(line, words, &starts)) {
            error = "line " + std::to_string(number) + ": unterminated quote";
            return false;
        }
        ScriptCommand command;
        if (!BuildCommand(line, number, words, starts, 0, command)) {
            error = "line " + std::to_string(number) + ": usage: on-box CAPTION TEXT|* COMMAND [ARGUMENTS...]";
            return false;
        }
        commands.push_back(command);
    }
    return true;
}

} // namespace qmhost
