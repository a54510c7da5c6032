#include "Apartment.h"
#include "ComPtr.h"
#include "DispatchClient.h"
#include "DispatchServer.h"
#include "VariantConversion.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using automation::Date;
using automation::ErrorValue;
using automation::Null;
using automation::Object;
using automation::Value;
using automation::com::fromVariant;
using automation::com::toVariant;
using automation::com::Variant;

// A local object that answers every call with its own name.
class NamedObject final : public automation::Dispatch {
public:
    automation::Value invoke(std::string_view, automation::CallKind, std::span<const automation::Value>,
                             std::span<const automation::NamedArg>) override
    {
        return Value("本地对象");
    }
};

int errorNumber(const std::function<void()>& f)
{
    try {
        f();
    } catch (const automation::AutomationError& e) {
        return e.number();
    }
    return 0;
}

TEST(VariantConversion, EveryKindOfValueTravelsAsItsVariantTypeAndComesBackUnchanged)
{
    struct Case {
        Value value;
        VARTYPE type;
    } cases[] = {
        {Value(), VT_EMPTY},
        {Value(Null{}), VT_NULL},
        {Value(1.5), VT_R8},
        {Value(std::int16_t(-4121)), VT_I2},
        {Value(std::int32_t(1'048'576)), VT_I4},
        {Value("工作簿1 - Sheet1"), VT_BSTR},
        {Value(""), VT_BSTR},
        {Value(true), VT_BOOL},
        {Value(false), VT_BOOL},
        {Value(Date{45000.75}), VT_DATE},
        {Value(ErrorValue{2042}), VT_ERROR},
        {Value(ErrorValue{static_cast<std::int32_t>(0x80020004)}), VT_ERROR},
    };
    int index = 0;
    for (const Case& c : cases) {
        const Variant v = toVariant(c.value);
        EXPECT_EQ(v.get().vt, c.type) << "case " << index;
        EXPECT_EQ(fromVariant(v.get()), c.value) << "case " << index;
        ++index;
    }
}

TEST(VariantConversion, TextsAndCodesHaveTheRepresentationServersExpect)
{
    const Variant text = toVariant(Value("插入空行,共 3 行"));
    EXPECT_EQ(std::wstring(text.get().bstrVal, SysStringLen(text.get().bstrVal)), L"插入空行,共 3 行");

    Variant fromServer;
    fromServer.addressOf()->vt = VT_BSTR;
    fromServer.addressOf()->bstrVal = SysAllocString(L"数据处理完成");
    EXPECT_EQ(fromVariant(fromServer.get()), Value("数据处理完成"));

    EXPECT_EQ(toVariant(Value(true)).get().boolVal, VARIANT_TRUE);
    // A cell's #N/A is the runtime's error 2042 inside the control facility.
    EXPECT_EQ(static_cast<std::uint32_t>(toVariant(Value(ErrorValue{2042})).get().scode), 0x800A07FAu);
}

TEST(VariantConversion, ReferencesAndOtherTypesFromServersAreRead)
{
    double number = 2.5;
    Variant inner = toVariant(Value("引用"));
    Variant byRefNumber;
    byRefNumber.addressOf()->vt = VT_BYREF | VT_R8;
    byRefNumber.addressOf()->pdblVal = &number;
    EXPECT_EQ(fromVariant(byRefNumber.get()), Value(2.5));

    // VariantClear leaves what a reference points to alone, so these views own nothing.
    VARIANT byRefVariant{};
    byRefVariant.vt = VT_BYREF | VT_VARIANT;
    byRefVariant.pvarVal = inner.addressOf();
    EXPECT_EQ(fromVariant(byRefVariant), Value("引用"));

    VARIANT nullReference{};
    nullReference.vt = VT_BYREF | VT_I4;
    EXPECT_EQ(errorNumber([&] { fromVariant(nullReference); }), automation::errors::kTypeMismatch);

    VARIANT v{};
    v.vt = VT_UI1;
    v.bVal = 200;
    EXPECT_EQ(fromVariant(v), Value(std::int16_t(200)));
    v.vt = VT_UI2;
    v.uiVal = 60000;
    EXPECT_EQ(fromVariant(v), Value(std::int32_t(60000)));
    v.vt = VT_R4;
    v.fltVal = 0.5f;
    EXPECT_EQ(fromVariant(v), Value(0.5));
    v.vt = VT_UI4;
    v.ulVal = 4'000'000'000u;
    EXPECT_EQ(fromVariant(v), Value(4e9));
    v.vt = VT_CY;
    v.cyVal.int64 = 123'456; // 12.3456
    EXPECT_EQ(fromVariant(v), Value(12.3456));

    VARIANT array{};
    array.vt = VT_ARRAY | VT_VARIANT;
    EXPECT_EQ(errorNumber([&] { fromVariant(array); }), automation::errors::kTypeMismatch);
}

TEST(VariantConversion, ObjectsKeepTheirIdentityWhereTheyAreServed)
{
    automation::com::Apartment apartment;
    ASSERT_EQ(automation::com::DispatchServer::liveCount(), 0);
    {
        // A local object is served through IDispatch; its server takes it back as itself, not as a wrapper.
        const Object local(new NamedObject);
        const Variant served = toVariant(Value(local));
        ASSERT_EQ(served.get().vt, VT_DISPATCH);
        EXPECT_EQ(automation::com::DispatchServer::liveCount(), 1);
        EXPECT_EQ(fromVariant(served.get(), automation::com::Side::Server).object(), local);

        // A client calls it through COM, and passes it back as the same interface.
        const Object remote = fromVariant(served.get()).object();
        EXPECT_NE(dynamic_cast<automation::com::DispatchClient*>(remote.dispatch()), nullptr);
        EXPECT_EQ(remote.get("Name"), Value("本地对象"));
        EXPECT_EQ(toVariant(Value(remote)).get().pdispVal, served.get().pdispVal);

        const Variant none = toVariant(Value(Object()));
        EXPECT_EQ(none.get().vt, VT_DISPATCH);
        EXPECT_EQ(none.get().pdispVal, nullptr);
        EXPECT_TRUE(fromVariant(none.get()).object().isNull());
    }
    EXPECT_EQ(automation::com::DispatchServer::liveCount(), 0);
}

} // namespace
