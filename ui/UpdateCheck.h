// "Check for Updates": compares the module's product version with the version that the
// maker publishes in QuillmoorVersioning.ini in the download directory of its web site.
#pragma once

#include <string>

// Where the version file is looked for. The environment variable, when set, replaces the
// default with another base address of the download directory, e.g.
// "http://127.0.0.1:8080/Downloads/" (a missing final "/" is added).
constexpr const wchar_t* kDefaultUpdateDirectoryUrl = L"http://www.quillmoor.com/Downloads/";
constexpr const wchar_t* kUpdateUrlVariable = L"QUILLMOOR_UPDATE_URL";
constexpr const wchar_t* kVersionFileName = L"QuillmoorVersioning.ini";

// How much checkForUpdate tells in boxes: its failures only, or (the menu command "Check for
// Updates") also the outcome, newer version or up to date. After a failure box nothing
// more is shown.
enum class UpdateCheckReply { FailuresOnly, WithOutcome };

// True when a newer version has been published. Sets installedVersion to the module's
// "major.minor.build" once the version resource has been read, and latestVersion to the
// published text once the file has been read.
bool checkForUpdate(std::string& installedVersion, std::string& latestVersion,
                    UpdateCheckReply reply = UpdateCheckReply::FailuresOnly);
