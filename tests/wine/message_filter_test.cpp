// The palette's message filter: its answers, and that it puts back the filter it replaced.
#include "cadlink/com/message_filter.h"

#include <gtest/gtest.h>

namespace tarsel::cadlink::com {
namespace {

TEST(TMessageFilterTest, AnswersAsThePaletteNeeds) {
    const auto filter = TMessageFilter::Create();
    EXPECT_EQ(filter->HandleInComingCall(CALLTYPE_TOPLEVEL, nullptr, 0, nullptr),
              static_cast<DWORD>(SERVERCALL_ISHANDLED));
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), 1000u);
    // Elapsed time does not matter: a busy CAD is waited for without limit.
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 3'600'000, SERVERCALL_RETRYLATER), 1000u);
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_REJECTED), static_cast<DWORD>(-1));
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, 7), static_cast<DWORD>(-1));
    EXPECT_EQ(filter->MessagePending(nullptr, 0, PENDINGTYPE_TOPLEVEL),
              static_cast<DWORD>(PENDINGMSG_WAITNOPROCESS));
}

TEST(TMessageFilterTest, RevokePutsBackTheFilterItReplaced) {
    const auto outer = TMessageFilter::Create();
    const auto inner = TMessageFilter::Create();
    outer->RegisterFilter();
    inner->RegisterFilter();
    EXPECT_EQ(inner->FOldFilter.get(), static_cast<IMessageFilter*>(outer.get()));

    inner->RevokeFilter();
    // The current filter is outer again: registering none hands it back.
    ComPtr<IMessageFilter> current;
    ASSERT_TRUE(SUCCEEDED(CoRegisterMessageFilter(nullptr, current.put())));
    EXPECT_EQ(current.get(), static_cast<IMessageFilter*>(outer.get()));
    current.reset();
    outer->FOldFilter.reset();
    // Nothing else holds the filters any more.
    EXPECT_EQ(inner->AddRef(), 2u);
    inner->Release();
}

}  // namespace
}  // namespace tarsel::cadlink::com
