// Version texts compared part by part ("1.2.10" is newer than "1.2.9").
#pragma once

// True when `published` names a newer version than `installed`. Both are read by their
// leading numeric parts separated by dots, after any leading white space ("1.2.4 beta"
// reads as 1.2.4); a missing part counts as 0 and parts compare as numbers of any size.
// A published text without a leading number is never newer.
bool isNewerVersion(const char* installed, const char* published);
