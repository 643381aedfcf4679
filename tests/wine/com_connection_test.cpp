// Finding the CAD by ProgID through the Running Object Table.
#include "cadlink/com/com_connection.h"

#include <gtest/gtest.h>

#include <optional>

#include "cadlink/com/dispatch_server.h"
#include "cadlink/com/running_object.h"
#include "com_apartment.h"

namespace tarsel::cadlink::com {
namespace {

using testing::ServerApartment;
using testing::TestObject;

// {6C0E9B52-3F7A-4C8E-9B1D-2A5F4E7C9D01}: a class of these tests only.
constexpr CLSID kTestClsid = {
    0x6c0e9b52, 0x3f7a, 0x4c8e, {0x9b, 0x1d, 0x2a, 0x5f, 0x4e, 0x7c, 0x9d, 0x01}};
constexpr const char* kProgId = "Tarsel.ConnectionTest.1";

class ComConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterProgId(kProgId, kTestClsid); }
    void TearDown() override {
        apartment_.Run([this] { registration_.reset(); });
        UnregisterProgId(kProgId);
    }

    void StartServer() {
        apartment_.Run([this] {
            published_ = DispatchServer::Publish(std::make_shared<TestObject>());
            registration_.emplace(published_.get(), kProgId);
        });
    }

    ServerApartment apartment_;
    ComPtr<IDispatch> published_;
    std::optional<RunningObjectRegistration> registration_;
    ComCadConnection connection_;
};

void ExpectFailsIn(ComCadConnection& connection, const char* progId, const char* call) {
    try {
        (void)connection.GetRunningApplication(progId);
        ADD_FAILURE() << "no exception";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.member(), call);
    }
}

TEST_F(ComConnectionTest, NoCadWithoutARegisteredProgIdOrARunningServer) {
    EXPECT_FALSE(connection_.IsCadRunning("Tarsel.NotRegistered.1"));
    ExpectFailsIn(connection_, "Tarsel.NotRegistered.1", "CLSIDFromProgID");
    EXPECT_FALSE(connection_.IsCadRunning(kProgId));
    ExpectFailsIn(connection_, kProgId, "GetActiveObject");
    // Text that cannot be a ProgID is no CAD either, and never raises.
    EXPECT_FALSE(connection_.IsCadRunning("\xFF"));
    EXPECT_FALSE(connection_.IsCadRunning(""));
}

TEST_F(ComConnectionTest, ARunningServerIsFoundAndSharesItsDispatchIdsAcrossCommands) {
    StartServer();
    ASSERT_TRUE(connection_.IsCadRunning(kProgId));
    const ObjectRef first = connection_.GetRunningApplication(kProgId);
    EXPECT_EQ(Call(first, "Echo", {Variant("ok")}), Variant("ok"));

    const ClientCallCounts before = CurrentClientCallCounts();
    const ObjectRef second = connection_.GetRunningApplication(kProgId);
    EXPECT_EQ(Call(second, "Echo", {Variant("again")}), Variant("again"));
    EXPECT_EQ((CurrentClientCallCounts() - before).getIDsOfNames, 0u);

    apartment_.Run([this] { registration_.reset(); });
    EXPECT_FALSE(connection_.IsCadRunning(kProgId));
}

}  // namespace
}  // namespace tarsel::cadlink::com
