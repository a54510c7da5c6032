#include "link/com/ComHost.h"
#include "link/Module1.h"
#include "link/com/Apartment.h"
#include "link/com/DispatchClient.h"
#include "link/com/DispatchServer.h"
#include "link/com/WideText.h"
#include "operations/Operations.h"
#include "sheet/document/Application.h"
#include "sheet/document/Worksheet.h"
#include "tests/win/ComTestSupport.h"
#include "testsupport/ErrorNumber.h"
#include "testsupport/SpreadsheetWorld.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using automation::AutomationHost;
using automation::Named;
using automation::Object;
using automation::Value;
using automation::com::ComHost;
using automation::com::ComPtr;
using automation::com::DispatchClient;
using automation::com::DispatchServer;
using testsupport::Failure;
using testsupport::failureOf;

constexpr std::string_view kTestClass = "Tessavo.TestSpreadsheet";

bool throughCom(const Object& o)
{
    return dynamic_cast<DispatchClient*>(o.dispatch()) != nullptr;
}

// The embedded spreadsheet, with one workbook, served over COM as the running instance of a test class.
class EmbeddedOverComTest : public testing::Test {
protected:
    sheet::Application& app() const { return *world.app; }
    sheet::Grid& grid() const { return world.grid(); }
    std::string text(int row, int column) const { return world.text(row, column); }

    automation::com::Apartment apartment;
    testsupport::SpreadsheetWorld world;
    Object user = world.runningObject();
    wintest::RegisteredClass running{L"Tessavo.TestSpreadsheet", DispatchServer::serve(user).get()};
    ComHost host;
};

TEST_F(EmbeddedOverComTest, TheRunningInstanceIsFoundByClassNameAndCalledThroughIDispatch)
{
    const Object xlApp = host.getActiveObject(kTestClass);
    ASSERT_TRUE(throughCom(xlApp));
    EXPECT_EQ(xlApp.get("Caption"), Value(app().caption()));

    const Value sheet = xlApp.get("ActiveSheet");
    ASSERT_TRUE(throughCom(sheet.object()));
    sheet.put("Cells", 2.0, 3.0, "第二行,第三列");
    EXPECT_EQ(text(2, 3), "第二行,第三列");
    EXPECT_EQ(sheet.get("Cells", 2.0, 3.0).get("Value"), Value("第二行,第三列"));

    sheet.get("Rows", 2.0).call("Insert", Named("Shift", std::int16_t(-4121)));
    EXPECT_EQ(text(2, 3), "");
    EXPECT_EQ(text(3, 3), "第二行,第三列");

    // Objects the server returns are passed back to it as its own: Union of two of its ranges.
    const Value both = xlApp.call("Union", sheet.get("Rows", 1.0), sheet.get("Rows", 3.0));
    EXPECT_TRUE(throughCom(both.object()));
    EXPECT_EQ(both.get("Count").toDouble(), 2 * sheet.get("Rows", 1.0).get("Count").toDouble());
}

TEST_F(EmbeddedOverComTest, ErrorsRaisedByTheServerKeepTheirNumberAndDescription)
{
    const Object direct = user.get("ActiveSheet").object();
    const Value sheet = host.getActiveObject(kTestClass).get("ActiveSheet");

    const std::function<void(const Object&)> calls[] = {
        [](const Object& s) { s.get("Cells", 0.0, 1.0); }, // outside the sheet: 1004
        [](const Object& s) { s.get("Cells", 1.0); },      // an argument missing: 449
        [](const Object& s) { s.get("Nothing"); },         // no such member: 438
        [](const Object& s) { s.put("Name", Value(automation::Null{})); },
    };
    for (const auto& call : calls) {
        const Failure expected = failureOf([&] { call(direct); });
        const Failure actual = failureOf([&] { call(sheet.object()); });
        ASSERT_NE(expected.number, 0);
        EXPECT_EQ(actual, expected);
    }

    // Once the application has quit, every call fails as a lost server's do.
    app().quit();
    EXPECT_EQ(failureOf([&] { sheet.get("Name"); }).number, automation::errors::kDisconnected);
}

TEST_F(EmbeddedOverComTest, AClassThatIsNotRunningOrNotInstalledIsError429)
{
    const Failure unknown = failureOf([&] { host.getActiveObject("Tessavo.NotInstalled"); });
    EXPECT_EQ(unknown.number, automation::errors::kCannotCreateObject);
    EXPECT_NE(unknown.description.find("Tessavo.NotInstalled"), std::string::npos) << unknown.description;
    EXPECT_EQ(failureOf([&] { host.createObject("Tessavo.NotInstalled"); }).number,
              automation::errors::kCannotCreateObject);

    const wintest::RegisteredClass idle{L"Tessavo.TestIdle", nullptr};
    EXPECT_EQ(failureOf([&] { host.getActiveObject("Tessavo.TestIdle"); }).number,
              automation::errors::kCannotCreateObject);
}

TEST_F(EmbeddedOverComTest, CreateObjectAsksALocalServerForANewInstance)
{
    int made = 0;
    const wintest::RegisteredClass factory{L"Tessavo.TestFactory", nullptr, [&] {
                                               ++made;
                                               return DispatchServer::serve(
                                                   world.local.createObject(automation::kSpreadsheetClass));
                                           }};
    const Object created = host.createObject("Tessavo.TestFactory");
    EXPECT_TRUE(throughCom(created));
    EXPECT_EQ(made, 1);
    EXPECT_EQ(created.get("Name"), Value(std::string(sheet::Application::kName)));
    EXPECT_TRUE(created.get("ActiveWorkbook").object().isNull());
}

// The program's own path: OpenExcel, then blank rows inserted one Rows(P).Insert at a time, all over COM.
TEST_F(EmbeddedOverComTest, BlankRowsAreInsertedEndToEndThroughCom)
{
    // Reaches the test class wherever the program asks for the spreadsheet application.
    class RenamingHost final : public automation::AutomationHost {
    public:
        Object getActiveObject(std::string_view name) override { return m_com.getActiveObject(rename(name)); }
        Object createObject(std::string_view name) override { return m_com.createObject(rename(name)); }

    private:
        static std::string_view rename(std::string_view name)
        {
            return name == automation::kSpreadsheetClass ? kTestClass : name;
        }
        ComHost m_com;
    };

    for (int r = 1; r <= 12; ++r)
        grid().setCell(r, 1, sheet::CellView::makeNumber(r));
    // The world's desktop lists the program's window and the spreadsheet's; only the host differs.
    RenamingHost renaming;
    testsupport::FakeDesktop& desktop = world.desktop;
    automation::Module1 module{renaming, desktop};

    operations::insertBlankRows(module, desktop, {"1", "10", "3", "2"});

    std::vector<std::string> column1;
    for (int r = 1; r <= 18; ++r)
        column1.push_back(text(r, 1));
    EXPECT_EQ(column1, (std::vector<std::string>{"1", "2", "3", "", "", "4", "5", "6", "", "", "7", "8", "9", "", "",
                                                 "10", "11", "12"}));
    EXPECT_EQ(desktop.messages,
              (std::vector<testsupport::FakeDesktop::Message>{{"数据处理完成,谢谢使用!", "提示", 64}}));
    EXPECT_TRUE(throughCom(module.xlSheet));
    EXPECT_TRUE(app().visible());
    EXPECT_EQ(desktop.activations, (std::vector<std::string>{app().caption(), "Tessavo"}));
}

TEST(OpenExcelOverCom, WithoutTheApplicationShowsOneMessageWithTheReasonAndBindsNothing)
{
    automation::com::Apartment apartment;
    CLSID installed;
    if (SUCCEEDED(CLSIDFromProgID(L"Excel.Application", &installed)))
        GTEST_SKIP() << "the spreadsheet application is installed here";

    // The program reaches the spreadsheet over COM; an application running only in this process is bound already.
    testsupport::SpreadsheetWorld world{{.start = testsupport::SpreadsheetWorld::Start::Application}};
    ComHost host;
    testsupport::FakeDesktop& desktop = world.desktop;
    automation::Module1 module{host, desktop};
    const Object earlierSheet = world.runningObject();
    module.xlSheet = earlierSheet;

    const Failure reason = failureOf([&] { host.createObject(automation::kSpreadsheetClass); });
    ASSERT_EQ(reason.number, automation::errors::kCannotCreateObject);
    ASSERT_FALSE(reason.description.empty());

    module.OpenExcel();

    EXPECT_EQ(desktop.messages, (std::vector<testsupport::FakeDesktop::Message>{
                                    {reason.description, "Tessavo", automation::kStyleOkOnly}}));
    EXPECT_EQ(module.xlSheet, earlierSheet);
    EXPECT_TRUE(module.xlApp.isEmpty());
    EXPECT_TRUE(desktop.activations.empty());
}

// A stand-in for an application, registered under a class name of the real one ("Ket.Application") for the
// length of one test. Each of its instances answers Value with who it is: "Ket.Application running" for the
// running one, "Ket.Application new" for one it was asked to start.
class StandIn {
public:
    enum : unsigned { kRegistered = 0, kRunning = 1, kStarts = 2 };

    StandIn(const std::string& progId, unsigned how)
        : m_running(how & kRunning ? answering(progId + " running") : nullptr),
          m_class(automation::com::toUtf16(progId), m_running.get(),
                  how & kStarts ? std::function<ComPtr<IDispatch>()>([this, progId] {
                      ++m_started;
                      return answering(progId + " new");
                  })
                                : nullptr)
    {}

    int started() const { return m_started; }

private:
    static ComPtr<IDispatch> answering(std::string text)
    {
        ComPtr<wintest::RecordingServer> server = wintest::RecordingServer::create();
        server->answer = [text = automation::com::toUtf16(text)](const wintest::RecordingServer::Call&, VARIANT* result,
                                                                 EXCEPINFO*) {
            if (result) {
                V_VT(result) = VT_BSTR;
                V_BSTR(result) = SysAllocString(text.c_str());
            }
            return S_OK;
        };
        return ComPtr<IDispatch>::attach(server.detach());
    }

    int m_started = 0;
    ComPtr<IDispatch> m_running;
    wintest::RegisteredClass m_class;
};

std::string who(const Object& app)
{
    return app.get("Value").toText();
}

class SpreadsheetAlternativesTest : public testing::Test {
protected:
    void SetUp() override
    {
        // A real installation must be neither shadowed nor have its registration deleted by a stand-in.
        for (const wchar_t* name : {L"Excel.Application", L"Ket.Application", L"ET.Application"}) {
            CLSID installed;
            if (SUCCEEDED(CLSIDFromProgID(name, &installed)))
                GTEST_SKIP() << "a spreadsheet application is installed here";
        }
    }

    automation::com::Apartment apartment;
    ComHost host = ComHost::forSpreadsheet();
};

TEST_F(SpreadsheetAlternativesTest, WithoutExcelTheFirstRegisteredWpsClassIsAttachedToAndStarted)
{
    struct Case {
        std::vector<std::string> registered;
        std::string expected;
    };
    const Case cases[] = {
        {{"Ket.Application"}, "Ket.Application"},
        {{"Ket.Application", "ET.Application"}, "Ket.Application"},
        {{"ET.Application", "Ket.Application"}, "Ket.Application"},
        {{"ET.Application"}, "ET.Application"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.registered.size() == 1 ? c.registered[0] : c.registered[0] + ", " + c.registered[1]);
        std::vector<std::unique_ptr<StandIn>> standIns;
        for (const std::string& name : c.registered)
            standIns.push_back(std::make_unique<StandIn>(name, StandIn::kRunning | StandIn::kStarts));

        EXPECT_EQ(who(host.getActiveObject("Excel.Application")), c.expected + " running");
        // ProgIDs are case-insensitive, and so is the name the alternatives are for.
        EXPECT_EQ(who(host.getActiveObject("EXCEL.application")), c.expected + " running");
        EXPECT_EQ(who(host.createObject("Excel.Application")), c.expected + " new");
        int started = 0;
        for (const auto& standIn : standIns)
            started += standIn->started();
        EXPECT_EQ(started, 1);
    }
}

TEST_F(SpreadsheetAlternativesTest, ARegisteredExcelIsNeverPassedOverForWps)
{
    // Excel installed but not running: the caller is to start Excel, not to attach to WPS.
    const StandIn excel{"Excel.Application", StandIn::kStarts};
    const StandIn ket{"Ket.Application", StandIn::kRunning | StandIn::kStarts};
    const Failure notRunning = failureOf([&] { host.getActiveObject("Excel.Application"); });
    EXPECT_EQ(notRunning.number, automation::errors::kCannotCreateObject);
    EXPECT_EQ(notRunning.description.find("Ket"), std::string::npos) << notRunning.description;
    EXPECT_EQ(who(host.createObject("Excel.Application")), "Excel.Application new");
    EXPECT_EQ(excel.started(), 1);
    EXPECT_EQ(ket.started(), 0);
}

TEST_F(SpreadsheetAlternativesTest, AnExcelThatFailsToStartIsReportedAsItself)
{
    const StandIn excel{"Excel.Application", StandIn::kRegistered};
    const StandIn ket{"Ket.Application", StandIn::kRunning | StandIn::kStarts};
    const Failure failed = failureOf([&] { host.createObject("Excel.Application"); });
    EXPECT_NE(failed.number, 0);
    EXPECT_NE(failed.description.find("Excel.Application"), std::string::npos) << failed.description;
    EXPECT_EQ(ket.started(), 0);
}

TEST_F(SpreadsheetAlternativesTest, AmongTheWpsNamesTheFirstThatRunsOrStartsIsTaken)
{
    {
        // Ket installed but idle, ET running: attach to ET; a start makes Ket, the first name, and nothing of ET.
        const StandIn ket{"Ket.Application", StandIn::kStarts};
        const StandIn et{"ET.Application", StandIn::kRunning | StandIn::kStarts};
        EXPECT_EQ(who(host.getActiveObject("Excel.Application")), "ET.Application running");
        EXPECT_EQ(who(host.createObject("Excel.Application")), "Ket.Application new");
        EXPECT_EQ(et.started(), 0);
    }
    {
        // Ket cannot start: ET is started in its place.
        const StandIn ket{"Ket.Application", StandIn::kRegistered};
        const StandIn et{"ET.Application", StandIn::kStarts};
        EXPECT_EQ(who(host.createObject("Excel.Application")), "ET.Application new");
        EXPECT_EQ(et.started(), 1);
    }
    {
        // Neither runs nor starts: the reason is Excel's, the application asked for.
        const StandIn ket{"Ket.Application", StandIn::kRegistered};
        const StandIn et{"ET.Application", StandIn::kRegistered};
        ComHost plain;
        for (const bool start : {false, true}) {
            const auto call = [&](ComHost& h) {
                return failureOf(
                    [&] { start ? h.createObject("Excel.Application") : h.getActiveObject("Excel.Application"); });
            };
            const Failure error = call(host);
            EXPECT_EQ(error, (Failure{automation::errors::kCannotCreateObject, call(plain).description}));
            EXPECT_EQ(error.description.find("ET.Application"), std::string::npos) << error.description;
        }
    }
}

TEST_F(SpreadsheetAlternativesTest, WithNoneRegisteredTheErrorIsExcelsAsWithoutAlternatives)
{
    ComHost plain;
    const std::function<Object(AutomationHost&)> calls[] = {
        [](AutomationHost& h) { return h.getActiveObject("Excel.Application"); },
        [](AutomationHost& h) { return h.createObject("Excel.Application"); },
    };
    for (const auto& call : calls) {
        const Failure error = failureOf([&] { call(host); });
        EXPECT_EQ(error.number, automation::errors::kCannotCreateObject);
        EXPECT_NE(error.description.find("Excel.Application"), std::string::npos) << error.description;
        EXPECT_EQ(error.description.find("ET.Application"), std::string::npos) << error.description;
        const Failure withoutAlternatives = failureOf([&] { call(plain); });
        EXPECT_EQ(error, withoutAlternatives);
    }
}

TEST_F(SpreadsheetAlternativesTest, AlternativesApplyOnlyToTheClassTheyAreListedFor)
{
    const StandIn ket{"Ket.Application", StandIn::kRunning | StandIn::kStarts};

    const Failure other = failureOf([&] { host.getActiveObject("Tessavo.NotInstalled"); });
    EXPECT_EQ(other.number, automation::errors::kCannotCreateObject);
    EXPECT_NE(other.description.find("Tessavo.NotInstalled"), std::string::npos) << other.description;
    EXPECT_EQ(failureOf([&] { host.createObject("Tessavo.NotInstalled"); }).number,
              automation::errors::kCannotCreateObject);

    // A host without alternatives, or with alternatives for another class only, never reaches WPS for Excel.
    ComHost plain;
    ComHost forOther{{{"Tessavo.NotInstalled", {"Tessavo.TestOther"}}}};
    for (ComHost* h : {&plain, &forOther}) {
        const Failure error = failureOf([&] { h->getActiveObject("Excel.Application"); });
        EXPECT_EQ(error.number, automation::errors::kCannotCreateObject);
        EXPECT_NE(error.description.find("Excel.Application"), std::string::npos) << error.description;
        EXPECT_EQ(failureOf([&] { h->createObject("Excel.Application"); }).number,
                  automation::errors::kCannotCreateObject);
    }
    EXPECT_EQ(ket.started(), 0);

    // Alternatives of one's own work the same way.
    const StandIn present{"Tessavo.TestOther", StandIn::kRunning};
    EXPECT_EQ(who(forOther.getActiveObject("Tessavo.NotInstalled")), "Tessavo.TestOther running");
}

} // namespace
