// Where Dragon or the window system calls into the module, the COM errors that the module
// raises (E_POINTER, E_OUTOFMEMORY) end here: they are shown in the "COM Error" box with
// the given prefix and never travel on into the caller.
#pragma once

#include "ReportComError.h"

#include <comdef.h>

#include <new>

// Runs work; returns S_OK or the HRESULT of the error that ended it.
template <class Work>
HRESULT RunAtComBoundary(const wchar_t* prefix, Work&& work)
{
    HRESULT hr = S_OK;
    try {
        work();
    } catch (const _com_error& error) {
        hr = error.Error();
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    } catch (...) {
        hr = E_UNEXPECTED;
    }
    if (FAILED(hr)) {
        // The error was raised here, not by a call into Dragon: an error object still set
        // on the thread belongs to something else. The report's own box runs a message loop
        // whose work may throw too: that stays here as well.
        SetErrorInfo(0, nullptr);
        try {
            reportComError(prefix, hr);
        } catch (...) {
        }
    }
    return hr;
}
