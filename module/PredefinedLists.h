// The predefined word lists the command editor offers: their text, and its split into lists.
#pragma once

#include <string>
#include <vector>

// One line per list: the list's name, then its values, separated by ";".
extern const char builtinListText[];

// Lists as ParsePredefinedLists gives them: name first, then the values.
using PredefinedLists = std::vector<std::vector<std::string>>;

// Splits a list text as builtinListText into its lists; empty lines are skipped.
PredefinedLists ParsePredefinedLists(const std::string& text);

// Index of the first list with exactly that name, or -1.
int FindPredefinedList(const PredefinedLists& lists, const char* name);
