// qm-gramc --try: phrases recognised against a grammar as the simulated Dragon recognises
// them, once the grammar is loaded and its lists are filled as the module does it, each
// answered with the lines that the module's result handling logs for it. Texts are narrow,
// in the module's ANSI code page (Windows-1252), like grammar texts.
#pragma once

#include <string>
#include <vector>

// --list NAME=VALUE[,VALUE]...
struct ListValues {
    std::string name;
    std::vector<std::string> values;
};

// False with a message when there is no "=" or no name.
bool ParseListValues(const std::string& text, ListValues& list, std::string& error);

enum class TrialStatus {
    AllRecognised = 0,
    NotAllRecognised = 1, // a phrase was not recognised, or the recogniser refused the grammar
    BadList = 2,          // a list the grammar does not have, or a value the recogniser refuses
};

// Loads the binary grammar, empties and fills each named list (values appended in order,
// a list named twice gets both runs), activates every exported rule and says each phrase,
// writing its lines to out. error says why the grammar or a list was refused.
TrialStatus TryPhrases(const std::vector<unsigned char>& grammar, const std::vector<ListValues>& lists,
                       const std::vector<std::string>& phrases, std::string& out, std::string& error);
