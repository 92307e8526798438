// The library's entry points: attach/detach and the four exports.
#include "ClassFactory.h"
#include "CompilerMessageRoute.h"
#include "ControllerWindow.h"
#include "../common/ModuleLock.h"
#include "ServerRegistration.h"

#include <new>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        RouteCompilerMessages();
        DisableThreadLibraryCalls(instance);
        // The dialog's message log is a rich edit 1.0 control; the library stays loaded.
        LoadLibraryW(L"riched32");
        break;
    case DLL_PROCESS_DETACH:
        ReleaseModuleClassObjects();
        UnregisterControllerWindowClass();
        break;
    default:
        break;
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object)
{
    return GetModuleClassObject(clsid, iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

namespace {

// Registration reads and writes texts: a failed allocation is an answer, not a throw into
// the program that called the export.
template <class Work>
HRESULT WithoutThrowing(Work work)
{
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return WithoutThrowing([] { return RegisterModuleServer(); });
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return WithoutThrowing([] { return UnregisterModuleServer(); });
}
