// Stand-ins for a module's side of the recogniser interfaces, recording what the
// simulated engine calls, for the in-process tests of the engine's COM layer.
#pragma once

#include "../../matcher/GrammarBytes.h"
#include "../../support/PumpUntil.h"
#include "SimEngine.h"
#include "../../../grammar/DragonInterfaces.h"

#include <gtest/gtest.h>
#include <oleauto.h>
#include <wrl/client.h>
#include <string>
#include <vector>

namespace simhosttest {

using Microsoft::WRL::ComPtr;

struct ComScope {
    ComScope() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComScope() { CoUninitialize(); }
};

// The description of the thread's error object, or "" when there is none.
inline std::string ErrorDescription() {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info)
        return std::string();
    BSTR description = nullptr;
    std::string text;
    if (SUCCEEDED(info->GetDescription(&description)) && description) {
        char buffer[1024] = {};
        WideCharToMultiByte(CP_UTF8, 0, description, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
        text = buffer;
        SysFreeString(description);
    }
    info->Release();
    return text;
}

inline std::string Utf8(const wchar_t* text) {
    char buffer[512] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
    return buffer;
}

// Base for the single-interface test objects: IUnknown and the one interface, whose
// identifier the object names.
template <class Interface>
class TestObject : public Interface {
public:
    explicit TestObject(REFIID own) : own_(own) {}
    virtual ~TestObject() = default;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid != IID_IUnknown && iid != own_)
            return E_NOINTERFACE;
        *out = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --refs;
        if (left == 0)
            delete this;
        return left;
    }
    ULONG refs = 1;

private:
    IID own_;
};

struct WordNodeSeen {
    DWORD node = 0;
    DWORD ruleNumber = 0;
    DWORD wordNumber = 0;
    std::string text;
    DWORD recordSize = 0;
};

class RecordingGrammarSink final : public TestObject<ISRGramNotifySinkW> {
public:
    RecordingGrammarSink() : TestObject(IID_ISRGramNotifySinkW) {}
    STDMETHODIMP BookMark(DWORD) override { return S_OK; }
    STDMETHODIMP Paused() override { return S_OK; }
    STDMETHODIMP PhraseFinish(DWORD f, QWORD, QWORD, PSRPHRASEW phrase, LPUNKNOWN results) override;
    STDMETHODIMP PhraseHypothesis(DWORD, QWORD, QWORD, PSRPHRASEW, LPUNKNOWN) override { return S_OK; }
    STDMETHODIMP PhraseStart(QWORD) override {
        ++starts;
        return S_OK;
    }
    STDMETHODIMP ReEvaluate(LPUNKNOWN) override { return S_OK; }
    STDMETHODIMP Training(DWORD) override { return S_OK; }
    STDMETHODIMP UnArchive(LPUNKNOWN) override { return S_OK; }

    int starts = 0;
    int finishes = 0;
    DWORD flags = 0;
    std::vector<std::string> phraseWords;
    std::vector<DWORD> phraseWordNumbers;
    std::vector<DWORD> path;
    std::vector<WordNodeSeen> nodes;
    ComPtr<IUnknown> lastResults;
};

inline STDMETHODIMP RecordingGrammarSink::PhraseFinish(DWORD f, QWORD, QWORD, PSRPHRASEW phrase, LPUNKNOWN results) {
    ++finishes;
    flags = f;
    lastResults = results;
    phraseWords.clear();
    phraseWordNumbers.clear();
    path.clear();
    nodes.clear();
    const BYTE* at = phrase->abWords;
    const BYTE* end = reinterpret_cast<const BYTE*>(phrase) + phrase->dwSize;
    while (at < end) {
        const SRWORDW* word = reinterpret_cast<const SRWORDW*>(at);
        phraseWords.push_back(Utf8(word->szWord));
        phraseWordNumbers.push_back(word->dwWordNum);
        at += word->dwSize;
    }
    ComPtr<ISRResGraphW> graph;
    if (!results || FAILED(results->QueryInterface(IID_ISRResGraphW, reinterpret_cast<void**>(graph.GetAddressOf()))))
        return S_OK;
    DWORD ids[512] = {};
    DWORD needed = 0;
    graph->BestPathWord(0, ids, sizeof ids, &needed);
    for (DWORD i = 0; i < needed / 4; ++i) {
        path.push_back(ids[i]);
        SRRESWORDNODE node = {};
        alignas(4) BYTE record[140] = {};
        DWORD size = 0;
        graph->GetWordNode(ids[i], &node, reinterpret_cast<SRWORDW*>(record), sizeof record, &size);
        const SRWORDW* word = reinterpret_cast<const SRWORDW*>(record);
        DWORD atOffset60 = 0;
        memcpy(&atOffset60, reinterpret_cast<const BYTE*>(&node) + 60, 4);
        nodes.push_back({ids[i], atOffset60, word->dwWordNum, Utf8(word->szWord), word->dwSize});
    }
    return S_OK;
}

// Hands every utterance cookie back from the message loop, as the module does.
class ResumingEngineSink final : public TestObject<IDgnSREngineNotifySinkW> {
public:
    explicit ResumingEngineSink(IDgnSREngineControl* control, bool resumes = true)
        : TestObject(IID_IDgnSREngineNotifySinkW), control_(control), resumes_(resumes) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SimHostTestResume";
        RegisterClassW(&wc);
        window_ = CreateWindowW(L"SimHostTestResume", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ResumingEngineSink() override { DestroyWindow(window_); }

    STDMETHODIMP AttribChanged2(DWORD) override { return S_OK; }
    STDMETHODIMP Paused(DWORD low, DWORD high) override {
        cookies.push_back({low, high});
        if (resumes_)
            PostMessageW(window_, WM_APP, low, high);
        return S_OK;
    }
    STDMETHODIMP Notify3(DWORD, DWORD) override { return S_OK; }
    STDMETHODIMP Notify4(DWORD) override { return S_OK; }
    STDMETHODIMP Notify5(DWORD, DWORD) override { return S_OK; }
    STDMETHODIMP Notify6() override { return S_OK; }
    STDMETHODIMP Notify7(DWORD) override { return S_OK; }

    std::vector<std::pair<DWORD, DWORD>> cookies;
    std::vector<HRESULT> resumeResults;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP) {
            auto* self = reinterpret_cast<ResumingEngineSink*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            self->resumeResults.push_back(self->control_->Resume(static_cast<DWORD>(wParam), static_cast<DWORD>(lParam)));
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    ComPtr<IDgnSREngineControl> control_;
    bool resumes_;
    HWND window_ = nullptr;
};

class RecordingActionSink final : public TestObject<IDgnSSvcActionNotifySink> {
public:
    RecordingActionSink() : TestObject(IID_IDgnSSvcActionNotifySink) {}
    STDMETHODIMP PlaybackDone(DWORD) override { return S_OK; }
    STDMETHODIMP PlaybackAborted(DWORD, DWORD) override { return S_OK; }
    STDMETHODIMP ScriptDone(DWORD cookie) override {
        done.push_back(cookie);
        return S_OK;
    }
    STDMETHODIMP ScriptStatus(DWORD, DWORD) override { return S_OK; }
    STDMETHODIMP ScriptError(DWORD cookie, DWORD number, DWORD line) override {
        errors.push_back({cookie, number, line});
        return S_OK;
    }
    std::vector<DWORD> done;
    struct Error { DWORD cookie, number, line; };
    std::vector<Error> errors;
};

// Dispatches the thread's messages for a while (the engine ends scripts from the loop).
inline void Pump(DWORD milliseconds) {
    ULONGLONG end = GetTickCount64() + milliseconds;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount64() < end);
}

// An engine, its site and central interface, as a module sees them after Register.
struct EngineFixture : public ::testing::Test {
    ComScope com;
    qmsim::Engine engine;
    ComPtr<IServiceProvider> site;
    ComPtr<ISRCentralW> central;

    void SetUp() override {
        ASSERT_EQ(S_OK, engine.CreateSite(site.GetAddressOf()));
        ASSERT_EQ(S_OK, site->QueryService(SID_DgnCentral, IID_ISRCentralW, reinterpret_cast<void**>(central.GetAddressOf())));
    }

    HRESULT Load(const simtest::Bytes& bytes, ISRGramNotifySinkW* sink, ComPtr<ISRGramCommonW>& grammar) {
        SDATA data = {const_cast<unsigned char*>(bytes.data()), static_cast<DWORD>(bytes.size())};
        ComPtr<IUnknown> unknown;
        HRESULT hr = central->GrammarLoad(SRGRMFMT_CFG, data, sink, IID_ISRGramNotifySinkW, unknown.GetAddressOf());
        if (SUCCEEDED(hr))
            unknown->QueryInterface(IID_ISRGramCommonW, reinterpret_cast<void**>(grammar.ReleaseAndGetAddressOf()));
        return hr;
    }

    bool TranscriptHas(const std::string& text) const {
        for (const std::string& line : engine.Transcript())
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
};

} // namespace simhosttest
