// Errors the module raises (E_POINTER, E_OUTOFMEMORY) stop at the COM boundary, and what a
// recogniser that answers oddly leaves behind.
#include "BoxRecorder.h"
#include "ClassFactory.h"
#include "ComBoundary.h"
#include "CompilerMessageRoute.h"
#include "ControllerMessages.h"
#include "ControllerWindow.h"
#include "ModuleController.h"
#include "ModuleClassId.h"
#include "PredefinedLists.h"
#include "ModuleLock.h"
#include "ReportComError.h"
#include "GramParser.h"
#include "../../grammar/CGramObj.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

// A central interface whose GrammarLoad succeeds with whatever object it is given (or none).
class OddCentral final : public ISRCentralW {
public:
    explicit OddCentral(IUnknown* grammar) : m_grammar(grammar) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_ISRCentralW) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_refs; } // lives on the test's stack

    STDMETHODIMP ModeGet(PVOID) override { return E_NOTIMPL; }
    STDMETHODIMP GrammarLoad(SRGRMFMT, SDATA, PVOID sink, IID, LPUNKNOWN* grammar) override
    {
        sinkSeen = sink != nullptr;
        *grammar = m_grammar;
        if (m_grammar)
            m_grammar->AddRef();
        return S_OK;
    }
    STDMETHODIMP Pause() override { return E_NOTIMPL; }
    STDMETHODIMP PosnGet(PQWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Resume() override { return E_NOTIMPL; }
    STDMETHODIMP ToFileTime(PQWORD, FILETIME*) override { return E_NOTIMPL; }
    STDMETHODIMP Register(PVOID, IID, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP UnRegister(DWORD) override { return E_NOTIMPL; }

    bool sinkSeen = false;

private:
    ULONG m_refs = 1;
    IUnknown* m_grammar;
};

// An object that is no grammar: it answers IUnknown only.
class NotAGrammar final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
};

const unsigned char kSomeData[] = {1, 2, 3, 4};

TEST(OddRecogniser, LoadWithoutTheGrammarsObjectRaisesEPointerThatTheBoundaryReports)
{
    BoxRecorder boxes;
    OddCentral central(nullptr);
    ModuleController controller;
    LONG baseline = ModuleLockCount(); // the controller keeps the module locked itself
    controller.grammarOwner.setCentral(&central);
    CGramObj grammar;
    grammar.init(&controller.grammarOwner);

    HRESULT raised = S_OK;
    try {
        grammar.load(kSomeData, sizeof(kSomeData), 0, 0);
    } catch (const _com_error& error) {
        raised = error.Error();
    }
    EXPECT_EQ(E_POINTER, raised);
    EXPECT_TRUE(central.sinkSeen);
    EXPECT_EQ(nullptr, controller.grammarOwner.commandGrammars());
    EXPECT_EQ(baseline, ModuleLockCount()); // the sink is gone again

    EXPECT_EQ(E_POINTER, RunAtComBoundary(L"Register failed with:", [&] {
                  grammar.loadBuiltinCommands(kSomeData, sizeof(kSomeData));
              }));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(L"Register failed with: (HRESULT 0x80004003)", boxes.boxes[0].text);
    EXPECT_EQ(L"COM Error", boxes.boxes[0].caption);
    EXPECT_EQ(nullptr, controller.grammarOwner.builtinGrammars());
}

TEST(OddRecogniser, GrammarWithoutGramCommonIsNeitherLinkedNorKept)
{
    BoxRecorder boxes;
    NotAGrammar notAGrammar;
    OddCentral central(&notAGrammar);
    ModuleController controller;
    LONG baseline = ModuleLockCount(); // the controller keeps the module locked itself
    controller.grammarOwner.setCentral(&central);

    CGramObj command, builtin;
    command.init(&controller.grammarOwner);
    builtin.init(&controller.grammarOwner);
    EXPECT_EQ(0, command.load(kSomeData, sizeof(kSomeData), 0, 0));
    EXPECT_EQ(0, builtin.loadBuiltinCommands(kSomeData, sizeof(kSomeData)));
    EXPECT_EQ(nullptr, command.gramCommon);
    EXPECT_EQ(nullptr, builtin.gramCommon);
    EXPECT_EQ(nullptr, controller.grammarOwner.commandGrammars());
    EXPECT_EQ(nullptr, controller.grammarOwner.builtinGrammars());
    EXPECT_EQ(1u, notAGrammar.refs); // every reference handed out came back
    EXPECT_EQ(baseline, ModuleLockCount());
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
}

TEST(ComBoundary, OutOfMemoryAndUnknownErrorsAreReportedNotThrown)
{
    BoxRecorder boxes;
    EXPECT_EQ(E_OUTOFMEMORY, RunAtComBoundary(L"Menu command failed with:", [] { throw std::bad_alloc(); }));
    EXPECT_EQ(E_UNEXPECTED, RunAtComBoundary(L"Menu command failed with:", [] { throw 42; }));
    EXPECT_EQ(S_OK, RunAtComBoundary(L"Menu command failed with:", [] {}));
    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_EQ(L"Menu command failed with: (HRESULT 0x8007000E)", boxes.boxes[0].text);
    EXPECT_EQ(L"Menu command failed with: (HRESULT 0x8000FFFF)", boxes.boxes[1].text);
}

TEST(ComErrorBox, LongDescriptionsAreCutAt1024Characters)
{
    BoxRecorder boxes;
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(S_OK, CreateErrorInfo(create.GetAddressOf()));
    std::wstring description(3000, L'x');
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    ComPtr<IErrorInfo> info;
    create.As(&info);
    SetErrorInfo(0, info.Get());
    reportComError(L"Prefix:", E_FAIL);
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(1024u, boxes.boxes[0].text.size());
    EXPECT_EQ(0u, boxes.boxes[0].text.find(L"Prefix: (HRESULT 0x80004005)\n\"xxx"));
}

TEST(ControllerWindow, MessagesBeforeTheControllerIsStoredAreDropped)
{
    BoxRecorder boxes;
    HWND window = CreateControllerWindow();
    ASSERT_NE(nullptr, window);
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    EXPECT_STREQ(L"quillmoor", name);
    GetWindowTextW(window, name, 32);
    EXPECT_STREQ(L"quillmoor", name);
    EXPECT_FALSE(IsWindowVisible(window));

    EXPECT_EQ(0, SendMessageW(window, WM_COMMAND, 32780, 0)); // would ask to shut down
    EXPECT_EQ(0, SendMessageW(window, WM_UTTERANCE_BEGIN, reinterpret_cast<WPARAM>(new UtteranceCookie{1, 2}), 0));
    EXPECT_EQ(0, SendMessageW(window, WM_ENGINE_NOTIFY, 3, 0));
    EXPECT_TRUE(boxes.boxes.empty()) << Describe(boxes.boxes);
    DestroyWindow(window);
}

TEST(ControllerWindow, DrainingLeavesAPendingQuitMessageToTheThreadsLoop)
{
    HWND window = CreateControllerWindow();
    ASSERT_NE(nullptr, window);
    // The host's loop has been asked to end with code 1 while utterances are still queued.
    PostMessageW(window, WM_UTTERANCE_BEGIN, reinterpret_cast<WPARAM>(new UtteranceCookie{1, 2}), 0);
    PostQuitMessage(1);
    DrainControllerWindow(window, nullptr);
    DrainControllerWindow(window, nullptr);

    MSG message = {};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), message.message);
    EXPECT_EQ(1u, message.wParam);
    DestroyWindow(window);
}

TEST(ClassObjects, OnlyTheModulesClassIsServedAndLockServerHoldsTheModule)
{
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              GetModuleClassObject(IID_IUnknown, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())));
    ASSERT_EQ(S_OK, GetModuleClassObject(CLSID_Quillmoor, IID_IClassFactory,
                                         reinterpret_cast<void**>(factory.GetAddressOf())));
    ComPtr<IClassFactory> again;
    ASSERT_EQ(S_OK, GetModuleClassObject(CLSID_Quillmoor, IID_IClassFactory,
                                         reinterpret_cast<void**>(again.GetAddressOf())));
    EXPECT_EQ(factory.Get(), again.Get()); // one factory, kept

    LONG baseline = ModuleLockCount();
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(baseline + 1, ModuleLockCount());
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(baseline, ModuleLockCount());

    ComPtr<IUnknown> object;
    NotAGrammar outer;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf())));
    ComPtr<IDgnAppSupportW> support;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDgnAppSupportW,
                                            reinterpret_cast<void**>(support.GetAddressOf())));
    EXPECT_EQ(baseline + 1, ModuleLockCount());
    support.Reset();
    EXPECT_EQ(baseline, ModuleLockCount());
}

TEST(ModuleData, PredefinedListsSplitLinesAndFields)
{
    std::vector<std::vector<std::string>> lists = ParsePredefinedLists(builtinListText);
    ASSERT_EQ(3u, lists.size());
    EXPECT_EQ((std::vector<std::string>{"OneToTen", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}), lists[0]);
    EXPECT_EQ((std::vector<std::string>{"UpDownLeftRight", "Up", "Down", "Left", "Right"}), lists[1]);
    EXPECT_EQ((std::vector<std::string>{"OnOff", "On", "Off", "On and Off"}), lists[2]);
    EXPECT_EQ(89u, strlen(builtinListText));

    std::vector<std::vector<std::string>> odd = ParsePredefinedLists("\n\nA;;b\nSolo");
    ASSERT_EQ(2u, odd.size());
    EXPECT_EQ((std::vector<std::string>{"A", "", "b"}), odd[0]);
    EXPECT_EQ((std::vector<std::string>{"Solo"}), odd[1]);
}

TEST(CompilerMessages, BoxesGoThroughTheModuleSeamOwnedByTheForegroundWindow)
{
    BoxRecorder boxes;
    RouteCompilerMessages();
    GramParser parser;
    boxes.answer = IDCANCEL;
    EXPECT_FALSE(parser.Compile("<1> exported = Show <>;\n", false));
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(GetForegroundWindow(), boxes.boxes[0].owner);
    EXPECT_NE(std::wstring::npos, boxes.boxes[0].text.find(L"empty rule name")) << Describe(boxes.boxes);
}

} // namespace
