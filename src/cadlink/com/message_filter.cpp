#include "cadlink/com/message_filter.h"

#include "cadlink/com/com_text.h"

namespace tarsel::cadlink::com {

namespace {
constexpr DWORD kRetryAfterMs = 1000;
constexpr DWORD kCancelCall = static_cast<DWORD>(-1);
}  // namespace

void TMessageFilter::RegisterFilter() {
    ThrowIfFailed(CoRegisterMessageFilter(this, FOldFilter.put()), "CoRegisterMessageFilter");
}

void TMessageFilter::RevokeFilter() noexcept {
    ComPtr<IMessageFilter> previous;
    (void)CoRegisterMessageFilter(FOldFilter.get(), previous.put());
}

DWORD TMessageFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) noexcept {
    return SERVERCALL_ISHANDLED;
}

DWORD TMessageFilter::RetryRejectedCall(HTASK, DWORD, DWORD dwRejectType) noexcept {
    // A busy CAD is waited for as long as it takes: the user is at its prompt.
    return dwRejectType == SERVERCALL_RETRYLATER ? kRetryAfterMs : kCancelCall;
}

DWORD TMessageFilter::MessagePending(HTASK, DWORD, DWORD) noexcept {
    return PENDINGMSG_WAITNOPROCESS;
}

}  // namespace tarsel::cadlink::com
