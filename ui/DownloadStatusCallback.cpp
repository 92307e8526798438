#include "DownloadStatusCallback.h"

#include <new>

HRESULT DownloadStatusCallback::Create(DownloadStatusCallback** callback)
{
    *callback = new (std::nothrow) DownloadStatusCallback;
    return *callback ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP DownloadStatusCallback::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IBindStatusCallback)
        *object = static_cast<IBindStatusCallback*>(this);
    else if (iid == IID_IHttpNegotiate)
        *object = static_cast<IHttpNegotiate*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) DownloadStatusCallback::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

STDMETHODIMP_(ULONG) DownloadStatusCallback::Release()
{
    LONG remaining = InterlockedDecrement(&references_);
    if (remaining == 0)
        delete this;
    return static_cast<ULONG>(remaining);
}

STDMETHODIMP DownloadStatusCallback::OnStartBinding(DWORD, IBinding*)
{
    return S_OK;
}

STDMETHODIMP DownloadStatusCallback::GetPriority(LONG*)
{
    return E_NOTIMPL;
}

STDMETHODIMP DownloadStatusCallback::OnLowResource(DWORD)
{
    return S_OK;
}

STDMETHODIMP DownloadStatusCallback::OnProgress(ULONG, ULONG, ULONG, LPCWSTR)
{
    return S_OK;
}

STDMETHODIMP DownloadStatusCallback::OnStopBinding(HRESULT, LPCWSTR)
{
    return S_OK;
}

STDMETHODIMP DownloadStatusCallback::GetBindInfo(DWORD*, BINDINFO*)
{
    return S_OK;
}

STDMETHODIMP DownloadStatusCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*)
{
    return S_OK;
}

STDMETHODIMP DownloadStatusCallback::OnObjectAvailable(REFIID, IUnknown*)
{
    return S_OK;
}

STDMETHODIMP DownloadStatusCallback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders)
{
    if (additionalHeaders)
        *additionalHeaders = nullptr;
    return S_OK;
}

STDMETHODIMP DownloadStatusCallback::OnResponse(DWORD responseCode, LPCWSTR, LPCWSTR, LPWSTR* additionalRequestHeaders)
{
    responseCode_ = responseCode;
    if (additionalRequestHeaders)
        *additionalRequestHeaders = nullptr;
    return S_OK;
}
