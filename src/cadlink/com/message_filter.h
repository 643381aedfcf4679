// The palette's COM message filter: while one of its automation calls waits, a CAD that is
// busy and asks to be called again later is called again every second, without limit;
// other rejections fail the call; the palette's own messages stay queued.
#pragma once

#include <atomic>

#include "cadlink/com/com_ptr.h"
#include "cadlink/com/windows_headers.h"

namespace tarsel::cadlink::com {

class TMessageFilter final : public IMessageFilter {
public:
    [[nodiscard]] static ComPtr<TMessageFilter> Create();

    // Registers this filter for the calling thread; the filter it replaces is kept in
    // FOldFilter. Raises AutomationError when COM refuses.
    void RegisterFilter();
    // Puts FOldFilter back; the filter COM hands back (this one) is released at once.
    void RevokeFilter() noexcept;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    // IMessageFilter
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD dwCallType, HTASK htaskCaller,
                                               DWORD dwTickCount,
                                               LPINTERFACEINFO lpInterfaceInfo) noexcept override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK htaskCallee, DWORD dwTickCount,
                                              DWORD dwRejectType) noexcept override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK htaskCallee, DWORD dwTickCount,
                                           DWORD dwPendingType) noexcept override;

    ComPtr<IMessageFilter> FOldFilter;

private:
    TMessageFilter() = default;
    ~TMessageFilter() = default;

    std::atomic<ULONG> references_{1};
};

}  // namespace tarsel::cadlink::com
