#include "BoxWatcher.h"
#include "HostText.h"
#include "WindowSearch.h"

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

BOOL CALLBACK FindThreadBox(HWND window, LPARAM param) {
    if (IsWindowVisible(window) && IsMessageBox(window)) {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool MessageBoxOpenOnThread(DWORD threadId) {
    bool found = false;
    EnumThreadWindows(threadId, FindThreadBox, reinterpret_cast<LPARAM>(&found));
    return found;
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

void BoxWatcher::Scan() {
    std::vector<HWND> boxes;
    EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&boxes));

    std::set<HWND> stillThere;
    for (HWND box : boxes) {
        stillThere.insert(box);
        bool seen;
        {
            std::lock_guard<std::mutex> guard(lock_);
            seen = answered_.count(box) != 0;
        }
        if (!seen)
            Answer(box);
    }
    // A handle may come back for a later box once the old one is gone.
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = answered_.begin(); it != answered_.end();)
        it = stillThere.count(*it) ? std::next(it) : answered_.erase(it);
}

void BoxWatcher::Answer(HWND box) {
    BoxRecord record;
    record.caption = qmsim::Narrow(WindowText(box));
    record.text = qmsim::Narrow(WindowText(GetDlgItem(box, kBoxTextId)));

    int answer = 0;
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (const BoxRule& rule : rules_) {
            if (rule.caption == record.caption &&
                (rule.text == "*" || record.text.find(rule.text) != std::string::npos) && GetDlgItem(box, rule.answer)) {
                answer = rule.answer;
                break;
            }
        }
    }
    if (!answer) {
        // As Enter would: the box's default button, else whichever button it has.
        LRESULT def = SendMessageW(box, DM_GETDEFID, 0, 0);
        if (HIWORD(def) == DC_HASDEFID && GetDlgItem(box, LOWORD(def)))
            answer = LOWORD(def);
        for (int id : {IDOK, IDYES, IDNO, IDCANCEL})
            if (!answer && GetDlgItem(box, id))
                answer = id;
        if (!answer)
            answer = IDOK;
    }
    record.answer = answer;
    {
        std::lock_guard<std::mutex> guard(lock_);
        answered_.insert(box);
        records_.push_back(record);
    }
    if (record_)
        record_("box \"" + OneLine(record.caption) + "\" \"" + OneLine(record.text) + "\" -> " + AnswerName(answer));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
}

} // namespace qmhost
