// Watches a URLDownloadToFile transfer for the HTTP status: the download call itself can
// report success for an error page (404, 500), which must not be read as the version file.
#pragma once

#include <windows.h>
#include <urlmon.h>

class DownloadStatusCallback : public IBindStatusCallback, public IHttpNegotiate {
public:
    static HRESULT Create(DownloadStatusCallback** callback);

    // 0 until the server answered; then its status code.
    DWORD responseCode() const { return responseCode_; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IBindStatusCallback
    STDMETHODIMP OnStartBinding(DWORD reserved, IBinding* binding) override;
    STDMETHODIMP GetPriority(LONG* priority) override;
    STDMETHODIMP OnLowResource(DWORD reserved) override;
    STDMETHODIMP OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode, LPCWSTR statusText) override;
    STDMETHODIMP OnStopBinding(HRESULT result, LPCWSTR error) override;
    STDMETHODIMP GetBindInfo(DWORD* flags, BINDINFO* info) override;
    STDMETHODIMP OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP OnObjectAvailable(REFIID iid, IUnknown* object) override;

    // IHttpNegotiate
    STDMETHODIMP BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved, LPWSTR* additionalHeaders) override;
    STDMETHODIMP OnResponse(DWORD responseCode, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                            LPWSTR* additionalRequestHeaders) override;

private:
    DownloadStatusCallback() = default;
    virtual ~DownloadStatusCallback() = default;

    LONG references_ = 1;
    DWORD responseCode_ = 0;
};
