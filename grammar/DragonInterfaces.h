// Dragon NaturallySpeaking's extensions to SAPI 4 that the module and the recogniser share:
// services of the site, engine control, speech services and the script interpreter, the
// window-module query, and the callbacks the recogniser makes on the module.
// Methods in slot order after IUnknown's three; slots the module never calls keep their
// place with neutral names.
#pragma once

#include "SapiInterfaces.h"
#include <servprov.h>
#include <oaidl.h>

// ---------------------------------------------------------------------------
// Services of the site (IServiceProvider::QueryService) and the site's class.

// {DD100001-6205-11CF-AE61-0000E8A28647}: the recogniser's central interface.
constexpr GUID SID_DgnCentral = {0xDD100001, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};
// {DD100002-6205-11CF-AE61-0000E8A28647}: speech services.
constexpr GUID SID_DgnSpeechServices = {0xDD100002, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};
// {DD10000A-6205-11CF-AE61-0000E8A28647}: the window-module query.
constexpr GUID SID_DgnWindowModule = {0xDD10000A, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};
// {DD100006-6205-11CF-AE61-0000E8A28647}: Dragon's site as a local server.
constexpr CLSID CLSID_DgnSite = {0xDD100006, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};

// ---------------------------------------------------------------------------
// Interface identifiers.

// {DD109300-6205-11CF-AE61-0000E8A28647}
constexpr IID IID_IDgnAppSupportW = {0xDD109300, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};
// {DD109000-6205-11CF-AE61-0000E8A28647}
constexpr IID IID_IDgnSREngineControl = {0xDD109000, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};
// {DD109001-6205-11CF-AE61-0000E8A28647}
constexpr IID IID_IDgnSREngineNotifySinkW = {0xDD109001, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};
// {DD108010-6205-11CF-AE61-0000E8A28647}
constexpr IID IID_IDgnGetSinkFlags = {0xDD108010, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};
// {DD108014-6205-11CF-AE61-0000E8A28647}: acquired and released only.
constexpr IID IID_IDgnEngineExtra = {0xDD108014, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};
// {DD108200-6205-11CF-AE61-0000E8A28647}: the object behind the speech-services service.
constexpr IID IID_IDgnSpeechServicesObject = {0xDD108200, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};
// {DD109201-6205-11CF-AE61-0000E8A28647}
constexpr IID IID_IDgnSpeechServices = {0xDD109201, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};
// {DD109203-6205-11CF-AE61-0000E8A28647}
constexpr IID IID_IDgnSSvcInterpreter = {0xDD109203, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};
// {DD108202-6205-11CF-AE61-0000E8A28647}
constexpr IID IID_IDgnSSvcActionNotifySink = {0xDD108202, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};
// {DD109601-6205-11CF-AE61-0000E8A28647}
constexpr IID IID_IDgnWindowModule = {0xDD109601, 0x6205, 0x11CF, {0xAE, 0x61, 0x00, 0x00, 0xE8, 0xA2, 0x86, 0x47}};

// Results of the window-module query.
constexpr HRESULT DGNERR_BUFFERTOOSMALL = (HRESULT)0x8004020EL;
constexpr HRESULT HOOKERR_INJECTFAILED = (HRESULT)0x8004200CL;
constexpr HRESULT HOOKERR_CANNOTINJECT = (HRESULT)0x80042008L;

// Flags a sink answers through IDgnGetSinkFlags.
constexpr DWORD DGNSINKFLAGS_ENGINE = 0x48;
constexpr DWORD DGNSINKFLAGS_GRAMMAR = 0x5000;
constexpr DWORD DGNSINKFLAGS_GRAMMAR_OPTION1 = 0x8000;
constexpr DWORD DGNSINKFLAGS_GRAMMAR_OPTION2 = 0x2000;

// ---------------------------------------------------------------------------
// Implemented by Dragon.

struct IDgnSSvcActionNotifySink;

// Engine control: the sixth method hands an utterance-begin cookie back.
struct IDgnSREngineControl : public IUnknown {
    STDMETHOD(Control1)() PURE;
    STDMETHOD(Control2)() PURE;
    STDMETHOD(Control3)() PURE;
    STDMETHOD(Control4)() PURE;
    STDMETHOD(Control5)() PURE;
    STDMETHOD(Resume)(DWORD cookieLow, DWORD cookieHigh) PURE;
};

// Speech services: the first method registers the action sink.
struct IDgnSpeechServices : public IUnknown {
    STDMETHOD(Register)(IDgnSSvcActionNotifySink* sink) PURE;
};

struct IDgnSSvcInterpreter : public IUnknown {
    STDMETHOD(Register)(IDgnSSvcActionNotifySink* sink) PURE;
    STDMETHOD(CheckScript)(BSTR script, DWORD* pErrorNumber, DWORD* pErrorLine) PURE;
    STDMETHOD(RunScript)(BSTR script, DWORD* pErrorNumber, DWORD* pErrorLine, BSTR name, DWORD cookie) PURE;
    STDMETHOD(RunScriptWithValues)(BSTR script, DWORD valuesSize, WCHAR* values, DWORD* pErrorNumber,
                                   DWORD* pErrorLine, BSTR name, DWORD cookie) PURE;
};

// Window-module query: the fifth method gives the full path of the executable owning a window.
struct IDgnWindowModule : public IUnknown {
    STDMETHOD(Query1)() PURE;
    STDMETHOD(Query2)() PURE;
    STDMETHOD(Query3)() PURE;
    STDMETHOD(Query4)() PURE;
    STDMETHOD(GetWindowModule)(HWND window, WCHAR* pBuffer, DWORD capacity, DWORD* pNeeded) PURE;
};

// ---------------------------------------------------------------------------
// Implemented by the module, called by Dragon.

struct IDgnAppSupportW : public IUnknown {
    STDMETHOD(Register)(IServiceProvider* site) PURE;
    STDMETHOD(AddProcess)(DWORD value1, DWORD value2, DWORD value3, DWORD value4) PURE;
    STDMETHOD(EndProcess)(DWORD value) PURE;
    STDMETHOD(UnRegister)() PURE;
};

// Engine notifications; slot 2 is the utterance begin, sent with a cookie while the engine waits.
struct IDgnSREngineNotifySinkW : public IUnknown {
    STDMETHOD(AttribChanged2)(DWORD value) PURE;
    STDMETHOD(Paused)(DWORD cookieLow, DWORD cookieHigh) PURE;
    STDMETHOD(Notify3)(DWORD value1, DWORD value2) PURE;
    STDMETHOD(Notify4)(DWORD value) PURE;
    STDMETHOD(Notify5)(DWORD value1, DWORD value2) PURE;
    STDMETHOD(Notify6)() PURE;
    STDMETHOD(Notify7)(DWORD value) PURE;
};

struct IDgnGetSinkFlags : public IUnknown {
    STDMETHOD(SinkFlagsGet)(DWORD* pFlags) PURE;
};

struct IDgnSSvcActionNotifySink : public IUnknown {
    STDMETHOD(PlaybackDone)(DWORD cookie) PURE;
    STDMETHOD(PlaybackAborted)(DWORD cookie, DWORD value) PURE;
    STDMETHOD(ScriptDone)(DWORD cookie) PURE;
    STDMETHOD(ScriptStatus)(DWORD first, DWORD second) PURE;
    STDMETHOD(ScriptError)(DWORD cookie, DWORD first, DWORD second) PURE;
};
