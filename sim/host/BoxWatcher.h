// Answers the message boxes of this process from a thread of its own, so that no box
// ever waits for a person: every box is recorded (caption, text, answer) and answered by
// the first matching rule, else by its default button. A box that an armed trigger
// matches is held instead: the host runs the trigger's command inside the box's modal
// loop and then has the box answered (Answer) on its own thread.
#pragma once

#include <windows.h>
#include <functional>
#include <map>
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

// A one-time trigger: the next box of its thread with that caption (and text part, "*"
// for any) is held for the trigger's owner, who knows it by token.
struct BoxTrigger {
    std::string caption;
    std::string text;
    DWORD threadId = 0;
    int token = 0;
};

struct BoxRecord {
    std::string caption;
    std::string text;
    int answer = 0;
};

struct HeldBox {
    HWND box = nullptr;
    int token = 0;       // the trigger's
    BoxRecord record;    // not answered yet
};

// Whether a message box other than those in except is open on that thread (its modal
// loop is running there).
bool MessageBoxOpenOnThread(DWORD threadId, const std::set<HWND>& except = {});
// A box with this caption whose text contains text ("*" for any).
bool BoxMatches(const BoxRecord& box, const std::string& caption, const std::string& text);
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

    void Arm(const BoxTrigger& trigger);
    // The boxes held since the last call, oldest first.
    std::vector<HeldBox> TakeHeld();
    // Disarms every trigger; returns the boxes held and not taken yet.
    std::vector<HeldBox> DisarmAll();
    // Answers a held box now, by its rule or default button (nothing when it is gone).
    void Answer(HWND box);

private:
    void Run();
    void Scan();
    BoxRecord Describe(HWND box) const;
    // Holds the box for the first armed trigger that matches it (and disarms that one);
    // false if none does.
    bool HoldForTrigger(HWND box, const BoxRecord& record);
    // The first matching rule's answer, else the default button's.
    int ChooseAnswer(HWND box, const BoxRecord& record) const;
    void Reply(HWND box, const BoxRecord& record);

    std::function<void(const std::string&)> record_;
    mutable std::mutex lock_;
    std::vector<BoxRule> rules_;
    std::vector<BoxRecord> records_;
    std::set<HWND> answered_;              // boxes seen: answered, or held
    std::vector<BoxTrigger> triggers_;
    std::vector<HeldBox> held_;            // held and not taken yet
    std::map<HWND, size_t> heldRecords_;   // held box -> its entry in records_
    HANDLE stop_ = nullptr;
    std::thread thread_;
};

} // namespace qmhost
