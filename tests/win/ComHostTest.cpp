#include "Apartment.h"
#include "Application.h"
#include "ComHost.h"
#include "ComTestSupport.h"
#include "DispatchClient.h"
#include "DispatchServer.h"
#include "FakePlatform.h"
#include "Module1.h"
#include "Operations.h"
#include "Values.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using automation::AutomationError;
using automation::Named;
using automation::Object;
using automation::Value;
using automation::com::ComHost;
using automation::com::DispatchClient;
using automation::com::DispatchServer;

constexpr std::string_view kTestClass = "Tessavo.TestSpreadsheet";

AutomationError errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AutomationError& e) {
        return e;
    }
    return {0, "no error"};
}

bool throughCom(const Object& o) { return dynamic_cast<DispatchClient*>(o.dispatch()) != nullptr; }

// The embedded spreadsheet, with one workbook, served over COM as the running instance of a test class.
class EmbeddedOverComTest : public testing::Test {
protected:
    static Object startUserSpreadsheet(automation::LocalHost& local)
    {
        sheet::registerEmbeddedSpreadsheet(local);
        Object app = local.createObject(automation::kSpreadsheetClass);
        sheet::modelObject<sheet::Application>(app)->addWorkbook();
        return app;
    }

    sheet::Application& app() const { return *sheet::modelObject<sheet::Application>(user); }
    sheet::Grid& grid() const { return app().activeWorkbook()->activeSheet()->grid(); }
    std::string text(int row, int column) const { return sheet::toValue(grid().cell(row, column)).toText(); }

    automation::com::Apartment apartment;
    automation::LocalHost local;
    Object user = startUserSpreadsheet(local);
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
    const Object direct(app().activeWorkbook()->activeSheet());
    const Value sheet = host.getActiveObject(kTestClass).get("ActiveSheet");

    const std::function<void(const Object&)> calls[] = {
        [](const Object& s) { s.get("Cells", 0.0, 1.0); }, // outside the sheet: 1004
        [](const Object& s) { s.get("Cells", 1.0); },      // an argument missing: 449
        [](const Object& s) { s.get("Nothing"); },         // no such member: 438
        [](const Object& s) { s.put("Name", Value(automation::Null{})); },
    };
    for (const auto& call : calls) {
        const AutomationError expected = errorOf([&] { call(direct); });
        const AutomationError actual = errorOf([&] { call(sheet.object()); });
        ASSERT_NE(expected.number(), 0);
        EXPECT_EQ(actual.number(), expected.number());
        EXPECT_EQ(actual.description(), expected.description());
    }

    // Once the application has quit, every call fails as a lost server's do.
    app().quit();
    EXPECT_EQ(errorOf([&] { sheet.get("Name"); }).number(), automation::errors::kDisconnected);
}

TEST_F(EmbeddedOverComTest, AClassThatIsNotRunningOrNotInstalledIsError429)
{
    const AutomationError unknown = errorOf([&] { host.getActiveObject("Tessavo.NotInstalled"); });
    EXPECT_EQ(unknown.number(), automation::errors::kCannotCreateObject);
    EXPECT_NE(unknown.description().find("Tessavo.NotInstalled"), std::string::npos) << unknown.description();
    EXPECT_EQ(errorOf([&] { host.createObject("Tessavo.NotInstalled"); }).number(),
              automation::errors::kCannotCreateObject);

    const wintest::RegisteredClass idle{L"Tessavo.TestIdle", nullptr};
    EXPECT_EQ(errorOf([&] { host.getActiveObject("Tessavo.TestIdle"); }).number(),
              automation::errors::kCannotCreateObject);
}

TEST_F(EmbeddedOverComTest, CreateObjectAsksALocalServerForANewInstance)
{
    int made = 0;
    const wintest::RegisteredClass factory{L"Tessavo.TestFactory", nullptr, [&] {
                                               ++made;
                                               return DispatchServer::serve(
                                                   local.createObject(automation::kSpreadsheetClass));
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
    RenamingHost renaming;
    testsupport::FakePlatform platform;
    platform.windows = {"Tessavo", app().caption()};
    automation::Module1 module{renaming, platform};

    operations::insertBlankRows(module, platform, {"1", "10", "3", "2"});

    std::vector<std::string> column1;
    for (int r = 1; r <= 18; ++r)
        column1.push_back(text(r, 1));
    EXPECT_EQ(column1, (std::vector<std::string>{"1", "2", "3", "", "", "4", "5", "6", "", "", "7", "8", "9", "", "",
                                                 "10", "11", "12"}));
    EXPECT_EQ(platform.messages,
              (std::vector<testsupport::FakePlatform::Message>{{"数据处理完成,谢谢使用!", "提示", 64}}));
    EXPECT_TRUE(throughCom(module.xlSheet));
    EXPECT_TRUE(app().visible());
    EXPECT_EQ(platform.activations, (std::vector<std::string>{app().caption(), "Tessavo"}));
}

TEST(OpenExcelOverCom, WithoutTheApplicationShowsOneMessageWithTheReasonAndBindsNothing)
{
    automation::com::Apartment apartment;
    CLSID installed;
    if (SUCCEEDED(CLSIDFromProgID(L"Excel.Application", &installed)))
        GTEST_SKIP() << "the spreadsheet application is installed here";

    ComHost host;
    testsupport::FakePlatform platform;
    automation::Module1 module{host, platform};
    automation::LocalHost local;
    sheet::registerEmbeddedSpreadsheet(local);
    const Object earlierSheet = local.createObject(automation::kSpreadsheetClass);
    module.xlSheet = earlierSheet;

    const AutomationError reason = errorOf([&] { host.createObject(automation::kSpreadsheetClass); });
    ASSERT_EQ(reason.number(), automation::errors::kCannotCreateObject);
    ASSERT_FALSE(reason.description().empty());

    module.OpenExcel();

    EXPECT_EQ(platform.messages, (std::vector<testsupport::FakePlatform::Message>{
                                     {reason.description(), "Tessavo", automation::kStyleOkOnly}}));
    EXPECT_EQ(module.xlSheet, earlierSheet);
    EXPECT_TRUE(module.xlApp.isEmpty());
    EXPECT_TRUE(platform.activations.empty());
}

} // namespace
