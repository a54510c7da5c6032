#include "link/com/DispatchClient.h"
#include "link/com/Apartment.h"
#include "link/com/ComErrors.h"
#include "link/com/VariantConversion.h"
#include "tests/win/ComTestSupport.h"
#include "testsupport/ErrorNumber.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using automation::Named;
using automation::Object;
using automation::Value;
using automation::com::DispatchClient;
using testsupport::Failure;
using testsupport::failureOf;
using wintest::RecordingServer;

constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

class DispatchClientTest : public testing::Test {
protected:
    std::vector<Value> arguments(const RecordingServer::Call& call) const
    {
        std::vector<Value> out;
        for (const auto& v : call.args)
            out.push_back(automation::com::fromVariant(v.get()));
        return out;
    }
    automation::com::Apartment apartment;
    wintest::ComPtr<RecordingServer> server = RecordingServer::create();
    Object object = DispatchClient::wrap(server.get());
};

TEST_F(DispatchClientTest, ArgumentsArriveNamedFirstThenPositionalLastToFirstAfterOneLookup)
{
    object.get("Cells", 2.0, 3.0);
    object.call("Insert", Named("Shift", std::int16_t(-4121)));
    object.put("Value", "中文");
    object.put("Cells", 2.0, 3.0, 7.0);
    object.call("Add", 1.0, Named("After", "表一"), 2.0);
    object.get(automation::kDefaultMember);

    const auto& calls = server->calls;
    ASSERT_EQ(calls.size(), 6u);

    EXPECT_EQ(calls[0].id, 1);
    EXPECT_EQ(calls[0].flags, kGet);
    EXPECT_TRUE(calls[0].namedIds.empty());
    EXPECT_EQ(arguments(calls[0]), (std::vector<Value>{3.0, 2.0}));

    EXPECT_EQ(calls[1].flags, kGet);
    EXPECT_EQ(calls[1].namedIds, std::vector<DISPID>{3});
    ASSERT_EQ(calls[1].args.size(), 1u);
    EXPECT_EQ(calls[1].args[0].get().vt, VT_I2);
    EXPECT_EQ(calls[1].args[0].get().iVal, -4121);

    // The value of a put is the DISPID_PROPERTYPUT argument; indexes follow it, last to first.
    EXPECT_EQ(calls[2].flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(calls[2].namedIds, std::vector<DISPID>{DISPID_PROPERTYPUT});
    EXPECT_EQ(arguments(calls[2]), std::vector<Value>{"中文"});
    EXPECT_EQ(calls[3].namedIds, std::vector<DISPID>{DISPID_PROPERTYPUT});
    EXPECT_EQ(arguments(calls[3]), (std::vector<Value>{7.0, 3.0, 2.0}));

    EXPECT_EQ(calls[4].namedIds, std::vector<DISPID>{6});
    EXPECT_EQ(arguments(calls[4]), (std::vector<Value>{"表一", 2.0, 1.0}));

    EXPECT_EQ(calls[5].id, DISPID_VALUE);
    EXPECT_EQ(calls[5].flags, kGet);

    // Each member is looked up with its argument names in one call, once per object; the default member never.
    object.call("Insert", Named("Shift", std::int16_t(-4121)));
    EXPECT_EQ(server->lookups, (std::vector<std::vector<std::wstring>>{
                                   {L"Cells"}, {L"Insert", L"Shift"}, {L"Value"}, {L"Add", L"After"}}));
}

TEST_F(DispatchClientTest, UnknownNamesFailBeforeAnyCallAndAreNamed)
{
    const Failure member = failureOf([&] { object.get("Insrt"); });
    EXPECT_EQ(member.number, static_cast<std::int32_t>(DISP_E_UNKNOWNNAME));
    EXPECT_NE(member.description.find("Insrt"), std::string::npos) << member.description;

    const Failure argument = failureOf([&] { object.call("Insert", Named("Shfit", 1.0)); });
    EXPECT_NE(argument.description.find("Shfit"), std::string::npos) << argument.description;
    EXPECT_TRUE(server->calls.empty());
}

// A deferred fill-in as a server would write it: the strings are made only when the caller asks.
HRESULT __stdcall fillInLater(EXCEPINFO* info)
{
    info->bstrDescription = SysAllocString(L"延迟填写的说明");
    info->bstrSource = SysAllocString(L"Recording");
    info->scode = static_cast<SCODE>(0x800A03EC);
    return S_OK;
}

TEST_F(DispatchClientTest, FailuresArriveWithTheServersNumberAndDescriptionAndFreeItsStrings)
{
    auto& spy = wintest::AllocationSpy::instance();
    ASSERT_TRUE(spy.works()) << "BSTRs are cached: run with OANOCACHE=1";

    using Answer = std::function<HRESULT(EXCEPINFO*)>;
    struct Case {
        const char* what;
        Answer answer;
        std::int32_t number;
        std::string description;
    } cases[] = {
        {"a described exception",
         [](EXCEPINFO* e) {
             e->scode = static_cast<SCODE>(0x800A03EC);
             e->bstrDescription = SysAllocString(L"类 Range 的 Insert 方法无效");
             e->bstrSource = SysAllocString(L"Recording");
             e->bstrHelpFile = SysAllocString(L"help.chm");
             return DISP_E_EXCEPTION;
         },
         1004, "类 Range 的 Insert 方法无效"},
        {"a deferred exception",
         [](EXCEPINFO* e) {
             e->pfnDeferredFillIn = fillInLater;
             return DISP_E_EXCEPTION;
         },
         1004, "延迟填写的说明"},
        {"an exception with a number only",
         [](EXCEPINFO* e) {
             e->wCode = 1004;
             return DISP_E_EXCEPTION;
         },
         1004, automation::com::describeFailure(static_cast<HRESULT>(0x800A03EC))},
        {"a lost server", [](EXCEPINFO*) { return RPC_E_DISCONNECTED; }, automation::errors::kDisconnected,
         automation::com::describeFailure(RPC_E_DISCONNECTED)},
        {"a refused argument", [](EXCEPINFO*) { return DISP_E_TYPEMISMATCH; },
         static_cast<std::int32_t>(DISP_E_TYPEMISMATCH), automation::com::describeFailure(DISP_E_TYPEMISMATCH)},
    };
    const long before = spy.live();
    for (const Case& c : cases) {
        server->answer = [&](const RecordingServer::Call&, VARIANT*, EXCEPINFO* e) { return c.answer(e); };
        const Failure error = failureOf([&] { object.get("Cells", 1.0, "第一列"); });
        EXPECT_EQ(error, (Failure{c.number, c.description})) << c.what;
    }
    server->calls.clear(); // the recorded copies of the arguments
    EXPECT_EQ(spy.live(), before);
}

TEST_F(DispatchClientTest, ARefusedArgumentIsNamedAsTheCallerWroteIt)
{
    using automation::com::describeFailure;
    const Value value = "中文";
    struct Case {
        const char* what;
        std::function<void()> call;
        HRESULT code;
        std::optional<UINT> refused; // index into rgvarg: named first, then positional last to first
        std::string named;           // empty: the description is the code's own
    } cases[] = {
        {"the last positional", [&] { object.get("Cells", 1.0, "第一列"); }, DISP_E_TYPEMISMATCH, 0, "第 2 个参数"},
        {"the first positional", [&] { object.get("Cells", 1.0, "第一列"); }, DISP_E_TYPEMISMATCH, 1, "第 1 个参数"},
        {"a named argument", [&] { object.call("Add", 1.0, Named("After", "表一"), 2.0); }, DISP_E_PARAMNOTFOUND, 0,
         "After"},
        {"a positional after a named one", [&] { object.call("Add", 1.0, Named("After", "表一"), 2.0); },
         DISP_E_PARAMNOTFOUND, 2, "第 1 个参数"},
        {"the value put", [&] { object.put("Value", value); }, DISP_E_TYPEMISMATCH, 0, "所赋的值"},
        {"an index of a put", [&] { object.put("Cells", 2.0, 3.0, 7.0); }, DISP_E_TYPEMISMATCH, 1, "第 2 个参数"},
        {"no index given", [&] { object.get("Cells", 1.0); }, DISP_E_TYPEMISMATCH, std::nullopt, ""},
        {"an index past the arguments", [&] { object.get("Cells", 1.0); }, DISP_E_PARAMNOTFOUND, 5, ""},
        {"another failure", [&] { object.get("Cells", 1.0); }, DISP_E_OVERFLOW, 0, ""},
    };
    for (const Case& c : cases) {
        server->answer = [&](const RecordingServer::Call&, VARIANT*, EXCEPINFO*) { return c.code; };
        server->refusedArgument = c.refused;
        const Failure error = failureOf(c.call);
        if (c.named.empty()) {
            EXPECT_EQ(error, (Failure{static_cast<std::int32_t>(c.code), describeFailure(c.code)})) << c.what;
        } else {
            EXPECT_EQ(error.number, static_cast<std::int32_t>(c.code)) << c.what;
            EXPECT_TRUE(error.description.ends_with(": " + c.named)) << c.what << ": " << error.description;
            EXPECT_NE(error.description, describeFailure(c.code)) << c.what;
        }
    }
    server->calls.clear();
}

TEST_F(DispatchClientTest, ReturnedTextsAndReferencesAreReleasedWithTheLastValue)
{
    auto& spy = wintest::AllocationSpy::instance();
    ASSERT_TRUE(spy.works()) << "BSTRs are cached: run with OANOCACHE=1";
    const long before = spy.live();
    const int serversBefore = RecordingServer::live;
    {
        wintest::ComPtr<RecordingServer> child = RecordingServer::create();
        server->answer = [&](const RecordingServer::Call& call, VARIANT* result, EXCEPINFO*) {
            if (call.id == 7) {
                result->vt = VT_DISPATCH;
                result->pdispVal = child.get();
                child->AddRef();
            } else {
                result->vt = VT_BSTR;
                result->bstrVal = SysAllocString(L"工作表一");
            }
            return S_OK;
        };
        {
            const Value reference = object.get("Child");
            EXPECT_EQ(child->references(), 2u);
            EXPECT_EQ(reference.call("Insert", Named("Shift", std::int16_t(-4121))), Value());
            EXPECT_EQ(child->calls.size(), 1u);
            EXPECT_EQ(object.get("Value", "参数"), Value("工作表一"));
        }
        EXPECT_EQ(child->references(), 1u);
        server->calls.clear();
        child->calls.clear();
    }
    object = Object();
    EXPECT_EQ(server->references(), 1u);
    EXPECT_EQ(RecordingServer::live, serversBefore); // the child is gone
    EXPECT_EQ(spy.live(), before);
}

TEST_F(DispatchClientTest, AnObjectThePutRefusesIsAssignedByReference)
{
    wintest::ComPtr<RecordingServer> other = RecordingServer::create();
    server->answer = [](const RecordingServer::Call& call, VARIANT*, EXCEPINFO*) {
        return call.flags == DISPATCH_PROPERTYPUT ? DISP_E_MEMBERNOTFOUND : S_OK;
    };
    object.put("Value", DispatchClient::wrap(other.get()));
    ASSERT_EQ(server->calls.size(), 2u);
    EXPECT_EQ(server->calls[1].flags, DISPATCH_PROPERTYPUTREF);
    EXPECT_EQ(server->calls[1].args[0].get().pdispVal, other.get());

    // Anything else the put refuses is an error.
    server->calls.clear();
    EXPECT_EQ(failureOf([&] { object.put("Value", 1.0); }).number, static_cast<std::int32_t>(DISP_E_MEMBERNOTFOUND));
    EXPECT_EQ(server->calls.size(), 1u);
}

} // namespace
