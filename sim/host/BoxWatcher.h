// Answers the message boxes of this process from a thread of its own, so that no box
// ever waits for a person: every box is recorded (caption, text, answer) and answered by
// the first matching rule, else by its default button.
#pragma once

#include <windows.h>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace qmhost {

struct BoxRule {
    std::string caption;  // exact
    std::string text;     // "*" = any, else a part of the box's text
    int answer = IDOK;
};

struct BoxRecord {
    std::string caption;
    std::string text;
    int answer = 0;
};

// Whether a message box is open on that thread (its modal loop is running there).
bool MessageBoxOpenOnThread(DWORD threadId);
const char* AnswerName(int answer);
int AnswerFromName(const std::string& name); // 0 when unknown

class BoxWatcher {
public:
    explicit BoxWatcher(std::function<void(const std::string&)> record);
    ~BoxWatcher();
    void Start();
    void Stop();

    // Rules are tried in order; a rule with the caption and text of an earlier one
    // replaces that one's answer.
    void AddRule(const BoxRule& rule);
    std::vector<BoxRecord> Records() const;

private:
    void Run();
    void Scan();
    void Answer(HWND box);

    std::function<void(const std::string&)> record_;
    mutable std::mutex lock_;
    std::vector<BoxRule> rules_;
    std::vector<BoxRecord> records_;
    std::set<HWND> answered_;
    HANDLE stop_ = nullptr;
    std::thread thread_;
};

} // namespace qmhost
