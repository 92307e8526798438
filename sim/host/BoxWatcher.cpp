#include "BoxWatcher.h"
#include "HostText.h"
#include "WindowSearch.h"

#include <algorithm>

namespace qmhost {
namespace {

constexpr int kBoxTextId = 0xFFFF;

BOOL CALLBACK CollectBox(HWND window, LPARAM param) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && IsMessageBox(window))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

struct ThreadBoxSearch {
    const std::set<HWND>* except;
    bool found;
};

BOOL CALLBACK FindThreadBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ThreadBoxSearch*>(param);
    if (IsWindowVisible(window) && IsMessageBox(window) && !search->except->count(window)) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool MessageBoxOpenOnThread(DWORD threadId, const std::set<HWND>& except) {
    ThreadBoxSearch search = {&except, false};
    EnumThreadWindows(threadId, FindThreadBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool BoxMatches(const BoxRecord& box, const std::string& caption, const std::string& text) {
    return box.caption == caption && (text == "*" || box.text.find(text) != std::string::npos);
}

const char* AnswerName(int answer) {
    switch (answer) {
    case IDOK: return "ok";
    case IDCANCEL: return "cancel";
    case IDYES: return "yes";
    case IDNO: return "no";
    default: return "?";
    }
}

int AnswerFromName(const std::string& name) {
    if (name == "ok") return IDOK;
    if (name == "cancel") return IDCANCEL;
    if (name == "yes") return IDYES;
    if (name == "no") return IDNO;
    return 0;
}

BoxWatcher::BoxWatcher(std::function<void(const std::string&)> record) : record_(std::move(record)) {}

BoxWatcher::~BoxWatcher() { Stop(); }

void BoxWatcher::Start() {
    if (thread_.joinable())
        return;
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Run(); });
}

void BoxWatcher::Stop() {
    if (!thread_.joinable())
        return;
    SetEvent(stop_);
    thread_.join();
    CloseHandle(stop_);
    stop_ = nullptr;
}

void BoxWatcher::AddRule(const BoxRule& rule) {
    std::lock_guard<std::mutex> guard(lock_);
    // A rule for the same caption and text replaces the earlier one, where it stood, so
    // that one script can answer the same box differently later on.
    for (BoxRule& old : rules_) {
        if (old.caption == rule.caption && old.text == rule.text) {
            old.answer = rule.answer;
            return;
        }
    }
    rules_.push_back(rule);
}

std::vector<BoxRecord> BoxWatcher::Records() const {
    std::lock_guard<std::mutex> guard(lock_);
    return records_;
}

void BoxWatcher::Run() {
    while (WaitForSingleObject(stop_, 40) == WAIT_TIMEOUT)
        Scan();
}

void BoxWatcher::Arm(const BoxTrigger& trigger) {
    std::lock_guard<std::mutex> guard(lock_);
    triggers_.push_back(trigger);
}

std::vector<HeldBox> BoxWatcher::TakeHeld() {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<HeldBox> taken;
    taken.swap(held_);
    return taken;
}

std::vector<HeldBox> BoxWatcher::DisarmAll() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        triggers_.clear();
    }
    // With no trigger left, nothing is held after this.
    return TakeHeld();
}

void BoxWatcher::Scan() {
    std::vector<HWND> boxes;
    EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&boxes));
    // Top-level windows come newest first; a box opened inside another's loop comes later.
    std::reverse(boxes.begin(), boxes.end());

    std::set<HWND> stillThere;
    for (HWND box : boxes) {
        stillThere.insert(box);
        bool seen;
        {
            std::lock_guard<std::mutex> guard(lock_);
            seen = answered_.count(box) != 0;
        }
        if (seen)
            continue;
        BoxRecord record = Describe(box);
        if (!HoldForTrigger(box, record))
            Reply(box, record);
    }
    // A handle may come back for a later box once the old one is gone.
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = answered_.begin(); it != answered_.end();)
        it = stillThere.count(*it) ? std::next(it) : answered_.erase(it);
    for (auto it = heldRecords_.begin(); it != heldRecords_.end();)
        it = stillThere.count(it->first) ? std::next(it) : heldRecords_.erase(it);
}

BoxRecord BoxWatcher::Describe(HWND box) const {
    BoxRecord record;
    record.caption = qmsim::Narrow(WindowText(box));
    record.text = qmsim::Narrow(WindowText(GetDlgItem(box, kBoxTextId)));
    return record;
}

bool BoxWatcher::HoldForTrigger(HWND box, const BoxRecord& record) {
    DWORD thread = GetWindowThreadProcessId(box, nullptr);
    // One lock for the choice and the hold: after DisarmAll no box is held.
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = triggers_.begin(); it != triggers_.end(); ++it) {
        if (it->threadId == thread && BoxMatches(record, it->caption, it->text)) {
            answered_.insert(box);
            heldRecords_[box] = records_.size();
            records_.push_back(record);
            held_.push_back({box, it->token, record});
            triggers_.erase(it);
            return true;
        }
    }
    return false;
}

void BoxWatcher::Answer(HWND box) {
    BoxRecord record;
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = heldRecords_.find(box);
        if (it == heldRecords_.end())
            return; // gone (and forgotten by the scan) before its answer
        record = records_[it->second];
    }
    if (!IsWindow(box))
        return;
    Reply(box, record);
}

int BoxWatcher::ChooseAnswer(HWND box, const BoxRecord& record) const {
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (const BoxRule& rule : rules_)
            if (BoxMatches(record, rule.caption, rule.text) && GetDlgItem(box, rule.answer))
                return rule.answer;
    }
    // As Enter would: the box's default button, else whichever button it has.
    LRESULT def = SendMessageW(box, DM_GETDEFID, 0, 0);
    if (HIWORD(def) == DC_HASDEFID && GetDlgItem(box, LOWORD(def)))
        return LOWORD(def);
    for (int id : {IDOK, IDYES, IDNO, IDCANCEL})
        if (GetDlgItem(box, id))
            return id;
    return IDOK;
}

// Records the answer (in place for a held box) and clicks it.
void BoxWatcher::Reply(HWND box, const BoxRecord& record) {
    int answer = ChooseAnswer(box, record);
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto held = heldRecords_.find(box);
        if (held != heldRecords_.end()) {
            records_[held->second].answer = answer;
            heldRecords_.erase(held);
        } else {
            answered_.insert(box);
            records_.push_back(record);
            records_.back().answer = answer;
        }
    }
    if (record_)
        record_("box \"" + OneLine(record.caption) + "\" \"" + OneLine(record.text) + "\" -> " + AnswerName(answer));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
}

} // namespace qmhost
