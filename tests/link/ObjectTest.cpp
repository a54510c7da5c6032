#include "link/Automation.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using automation::CallKind;
using automation::Object;
using automation::Value;

// Records each call it receives and counts the live instances, so leaks and early frees show.
class RecordingDispatch final : public automation::Dispatch {
public:
    struct Call {
        std::string member;
        CallKind kind;
        std::vector<Value> args;
        std::vector<std::pair<std::string, Value>> named;
    };

    static inline int live = 0;
    std::vector<Call> calls;
    std::function<void()> duringCall;

    RecordingDispatch() { ++live; }
    ~RecordingDispatch() override { --live; }

    Value invoke(std::string_view member, CallKind kind, std::span<const Value> args,
                 std::span<const automation::NamedArg> named) override
    {
        Call c{std::string(member), kind, {args.begin(), args.end()}, {}};
        for (const auto& n : named)
            c.named.emplace_back(std::string(n.name), n.value);
        calls.push_back(std::move(c));
        if (duringCall)
            duringCall();
        return Value(42.0);
    }
};

TEST(LateBoundCalls, PassPositionalAndNamedArgumentsInTheirOrderAndKind)
{
    auto* d = new RecordingDispatch;
    Object o(d);

    EXPECT_EQ(o.get("Cells", 3.0, std::int32_t(5)), Value(42.0));
    o.call("Insert", automation::Named("Shift", std::int16_t(-4121)));
    o.put("Visible", true);
    o.put("Cells", 2.0, 1.0, "待删除");
    o.call("Add", 1.0, automation::Named("After", Value()), 2.0);

    ASSERT_EQ(d->calls.size(), 5u);
    EXPECT_EQ(d->calls[0].member, "Cells");
    EXPECT_EQ(d->calls[0].kind, CallKind::Get);
    EXPECT_EQ(d->calls[0].args, (std::vector<Value>{3.0, std::int32_t(5)}));

    EXPECT_EQ(d->calls[1].kind, CallKind::Method);
    EXPECT_TRUE(d->calls[1].args.empty());
    ASSERT_EQ(d->calls[1].named.size(), 1u);
    EXPECT_EQ(d->calls[1].named[0].first, "Shift");
    // The shift travels as a 16-bit integer, as the object model expects it.
    EXPECT_EQ(d->calls[1].named[0].second.kind(), Value::Kind::Int16);

    EXPECT_EQ(d->calls[2].kind, CallKind::Put);
    EXPECT_EQ(d->calls[2].args, (std::vector<Value>{true}));
    EXPECT_EQ(d->calls[3].args, (std::vector<Value>{2.0, 1.0, "待删除"}));
    EXPECT_EQ(d->calls[4].args, (std::vector<Value>{1.0, 2.0}));
    EXPECT_EQ(d->calls[4].named.size(), 1u);
}

TEST(ObjectReferences, ShareOneObjectAndReleaseItWithTheLastReference)
{
    ASSERT_EQ(RecordingDispatch::live, 0);
    {
        Object a(new RecordingDispatch);
        Object b = a;
        Value v(a);
        EXPECT_EQ(a, b);
        EXPECT_EQ(v.object(), a);
        a = Object();
        b = Object();
        EXPECT_EQ(RecordingDispatch::live, 1);
        EXPECT_TRUE(a.isNull());
    }
    EXPECT_EQ(RecordingDispatch::live, 0);
}

TEST(ObjectReferences, StayValidForACallThatDropsTheLastReference)
{
    auto holder = std::make_unique<Value>(Object(new RecordingDispatch));
    static_cast<RecordingDispatch*>(holder->object().dispatch())->duringCall = [&] {
        // The only reference, the one the call was made through, goes away in the middle of the call.
        holder.reset();
        EXPECT_EQ(RecordingDispatch::live, 1);
    };
    const Value& through = *holder;
    through.call("Quit");
    EXPECT_EQ(RecordingDispatch::live, 0);
}

} // namespace
