#include "link/LocalHost.h"
#include "link/FallbackHost.h"

#include "testsupport/ErrorNumber.h"

#include <gtest/gtest.h>

namespace {

using automation::LocalHost;
using automation::Object;
using automation::RunningObjectTable;
using automation::Value;

class Server final : public automation::Dispatch {
public:
    static inline int live = 0;
    Server() { ++live; }
    ~Server() override { --live; }
    Value invoke(std::string_view, automation::CallKind, std::span<const Value>,
                 std::span<const automation::NamedArg>) override
    {
        return {};
    }
};

using testsupport::errorNumber;

TEST(LocalHost, CreatesRegisteredClassesAndFindsOnlyRegisteredInstances)
{
    LocalHost host;
    int created = 0;
    host.registerClass("Excel.Application", [&](const std::shared_ptr<RunningObjectTable>&) {
        ++created;
        return Object(new Server);
    });

    EXPECT_EQ(errorNumber([&] { host.getActiveObject("Excel.Application"); }), 429);
    EXPECT_EQ(errorNumber([&] { host.createObject("Word.Application"); }), 429);

    // Class names are case-insensitive.
    Object a = host.createObject("excel.application");
    EXPECT_EQ(created, 1);
    EXPECT_FALSE(a.isNull());
    // A created instance is not running until it registers itself.
    EXPECT_EQ(errorNumber([&] { host.getActiveObject("Excel.Application"); }), 429);
}

TEST(RunningObjectTable, FindsTheEarliestInstanceAndForgetsRevokedOnes)
{
    LocalHost host;
    auto& table = *host.runningObjects();
    Object first(new Server);
    Object second(new Server);
    const auto c1 = table.registerActive("Excel.Application", first);
    const auto c2 = table.registerActive("EXCEL.APPLICATION", second);

    EXPECT_EQ(host.getActiveObject("Excel.Application"), first);
    table.revoke(c1);
    EXPECT_EQ(host.getActiveObject("Excel.Application"), second);
    table.revoke(c2);
    table.revoke(c2); // a second revoke is harmless
    EXPECT_EQ(errorNumber([&] { host.getActiveObject("Excel.Application"); }), 429);
}

TEST(RunningObjectTable, KeepsRegisteredInstancesAliveUntilRevokedOrDestroyed)
{
    ASSERT_EQ(Server::live, 0);
    {
        LocalHost host;
        const auto cookie = host.runningObjects()->registerActive("X.Y", Object(new Server));
        EXPECT_EQ(Server::live, 1);
        host.runningObjects()->revoke(cookie);
        EXPECT_EQ(Server::live, 0);
        host.runningObjects()->registerActive("X.Y", Object(new Server));
    }
    EXPECT_EQ(Server::live, 0);
}

TEST(FallbackHost, UsesTheSecondHostOnlyWhereTheFirstCannotHelp)
{
    LocalHost preferred;
    LocalHost embedded;
    embedded.registerClass("Excel.Application",
                           [](const std::shared_ptr<RunningObjectTable>&) { return Object(new Server); });
    automation::FallbackHost host(preferred, embedded);

    // The preferred application is not installed: the embedded one starts, and is found running afterwards.
    const Object started = host.createObject("Excel.Application");
    EXPECT_FALSE(started.isNull());
    EXPECT_EQ(errorNumber([&] { host.getActiveObject("Excel.Application"); }), 429);
    embedded.runningObjects()->registerActive("Excel.Application", started);
    EXPECT_EQ(host.getActiveObject("Excel.Application"), started);

    // Once the preferred application runs, it wins.
    const Object excel(new Server);
    preferred.runningObjects()->registerActive("Excel.Application", excel);
    EXPECT_EQ(host.getActiveObject("Excel.Application"), excel);

    // When both fail, the preferred host's reason is the one reported.
    EXPECT_EQ(errorNumber([&] { host.createObject("Word.Application"); }), 429);
}

} // namespace
