// Module-wide data of the controller: the predefined word lists, the built-in grammar texts,
// the controller that connected last.
#pragma once

#include <string>
#include <vector>

class ModuleController;

// One line per list: the list's name, then its values, separated by ";".
extern const char builtinListText[];

// Rebuilt from builtinListText by every connectDragon: name first, then the values.
extern std::vector<std::vector<std::string>> predefinedLists;

// Receives the six built-in grammar texts on every connectDragon.
extern std::vector<std::string> builtinRuleTexts;

// Set by connectDragon to the controller that connected last.
extern ModuleController* currentController;

// Splits a list text as builtinListText into its lists; empty lines are skipped.
std::vector<std::vector<std::string>> ParsePredefinedLists(const std::string& text);
