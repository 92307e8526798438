#include "ScriptParser.h"

#include <sstream>

namespace qmhost {

bool SplitLine(const std::string& line, std::vector<std::string>& words) {
    words.clear();
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size())
            break;
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
        if (!SplitLine(line, words)) {
            error = "line " + std::to_string(number) + ": unterminated quote";
            return false;
        }
        ScriptCommand command;
        command.line = number;
        command.name = words[0];
        command.args.assign(words.begin() + 1, words.end());
        command.text = line.substr(first);
        commands.push_back(command);
    }
    return true;
}

} // namespace qmhost
