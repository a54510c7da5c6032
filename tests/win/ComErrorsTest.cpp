#include "link/com/ComErrors.h"
#include "link/com/Apartment.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <thread>

namespace {

using automation::com::describeFailure;
using automation::com::errorNumber;
using automation::com::failure;
using automation::com::failureCode;

TEST(ComErrors, EveryCodeAUserCanMeetHasATextOfItsOwn)
{
    const HRESULT codes[] = {REGDB_E_CLASSNOTREG,
                             CO_E_CLASSSTRING,
                             CO_E_SERVER_EXEC_FAILURE,
                             RPC_E_DISCONNECTED,
                             HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE),
                             DISP_E_TYPEMISMATCH,
                             DISP_E_UNKNOWNNAME,
                             DISP_E_EXCEPTION,
                             DISP_E_MEMBERNOTFOUND,
                             DISP_E_BADPARAMCOUNT,
                             DISP_E_PARAMNOTOPTIONAL,
                             MK_E_UNAVAILABLE};
    for (HRESULT hr : codes) {
        const std::string text = describeFailure(hr);
        EXPECT_FALSE(text.empty()) << std::hex << hr;
        EXPECT_EQ(text.find("自动化错误"), std::string::npos) << text;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    }
    // Codes no one has words for still say which code they are.
    EXPECT_NE(describeFailure(static_cast<HRESULT>(0x8004FEDC)).find("0x8004FEDC"), std::string::npos);
    EXPECT_EQ(describeFailure(static_cast<HRESULT>(0x800A03EC)), "应用程序定义或对象定义的错误");
}

TEST(ComErrors, NumbersOfTheRuntimesFacilityTravelAsThemselves)
{
    for (std::int32_t number : {1004, 438, 13, 91, 0xFFFF})
        EXPECT_EQ(errorNumber(failureCode(number)), number);
    EXPECT_EQ(errorNumber(RPC_E_DISCONNECTED), automation::errors::kDisconnected);
    EXPECT_EQ(failureCode(automation::errors::kDisconnected), RPC_E_DISCONNECTED);
    EXPECT_EQ(failureCode(0), E_FAIL);

    // Only failures about a name name it.
    const std::string unknown = failure(DISP_E_UNKNOWNNAME, "Insrt").description();
    EXPECT_TRUE(unknown.ends_with(": Insrt")) << unknown;
    EXPECT_TRUE(describeFailure(DISP_E_UNKNOWNNAME).starts_with(unknown.substr(0, unknown.size() - 7))) << unknown;
    EXPECT_EQ(failure(DISP_E_TYPEMISMATCH, "Cells").description(), describeFailure(DISP_E_TYPEMISMATCH));
}

TEST(ComApartment, BalancesEachInitialisationAndLeavesAnotherModeAlone)
{
    {
        automation::com::Apartment outer;
        EXPECT_TRUE(outer.usable());
        automation::com::Apartment inner;
        EXPECT_EQ(inner.result(), S_FALSE);
    }
    // Both were undone: the thread can enter a multithreaded apartment now.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();

    std::thread([] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            automation::com::Apartment other;
            EXPECT_EQ(other.result(), RPC_E_CHANGED_MODE);
            EXPECT_TRUE(other.usable());
        }
        // The thread's own initialisation is still there, so this one only counts up.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    }).join();
}

} // namespace
