#include "link/com/VariantConversion.h"
#include "link/com/Apartment.h"
#include "link/com/ComPtr.h"
#include "link/com/DispatchClient.h"
#include "link/com/DispatchServer.h"
#include "testsupport/ErrorNumber.h"

#include <gtest/gtest.h>

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
using testsupport::errorNumber;

// A local object that answers every call with its own name.
class NamedObject final : public automation::Dispatch {
public:
    automation::Value invoke(std::string_view, automation::CallKind, std::span<const automation::Value>,
                             std::span<const automation::NamedArg>) override
    {
        return Value("本地对象");
    }
};

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
    // Views that own nothing: VariantClear leaves what a reference points to alone.
    double number = 2.5;
    Variant text = toVariant(Value("引用"));
    VARIANT byRef{}, byRefVariant{}, uint8{}, uint16{}, real4{}, uint32{}, currency{};
    byRef.vt = VT_BYREF | VT_R8;
    byRef.pdblVal = &number;
    byRefVariant.vt = VT_BYREF | VT_VARIANT;
    byRefVariant.pvarVal = text.addressOf();
    uint8.vt = VT_UI1;
    uint8.bVal = 200;
    uint16.vt = VT_UI2;
    uint16.uiVal = 60000;
    real4.vt = VT_R4;
    real4.fltVal = 0.5f;
    uint32.vt = VT_UI4;
    uint32.ulVal = 4'000'000'000u;
    currency.vt = VT_CY;
    currency.cyVal.int64 = 123'456; // 12.3456

    const std::pair<VARIANT, Value> cases[] = {
        {byRef, Value(2.5)},
        {byRefVariant, Value("引用")},
        {uint8, Value(std::int16_t(200))},
        {uint16, Value(std::int32_t(60000))},
        {real4, Value(0.5)},
        {uint32, Value(4e9)},
        {currency, Value(12.3456)},
    };
    for (const auto& [variant, value] : cases)
        EXPECT_EQ(fromVariant(variant), value) << "VARTYPE " << variant.vt;

    VARIANT nullReference{}, array{};
    nullReference.vt = VT_BYREF | VT_I4;
    array.vt = VT_ARRAY | VT_VARIANT;
    EXPECT_EQ(errorNumber([&] { fromVariant(nullReference); }), automation::errors::kTypeMismatch);
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
