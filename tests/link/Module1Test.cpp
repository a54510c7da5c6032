#include "link/Module1.h"
#include "sheet/document/Application.h"
#include "testsupport/FakeDesktop.h"
#include "testsupport/FaultInjection.h"

#include <gtest/gtest.h>

namespace {

using automation::Object;
using automation::Value;
using testsupport::FakeDesktop;
using testsupport::FaultPlan;

class OpenExcelTest : public testing::Test {
protected:
    OpenExcelTest() { sheet::registerEmbeddedSpreadsheet(local); }

    // The embedded application registered as running, or null.
    sheet::Application* running() const
    {
        return sheet::documentOf<sheet::Application>(local.runningObjects()->find("Excel.Application"));
    }
    // Starts an instance the way a user would, outside the program.
    sheet::Application& startByUser(bool withWorkbook)
    {
        auto* app = sheet::documentOf<sheet::Application>(local.createObject("Excel.Application"));
        if (withWorkbook)
            app->addWorkbook();
        return *app;
    }
    static sheet::Application* app(const Value& v)
    {
        return sheet::documentOf<sheet::Application>(testsupport::innerObject(v.object()));
    }
    static sheet::Worksheet* worksheet(const Object& o)
    {
        return sheet::documentOf<sheet::Worksheet>(testsupport::innerObject(o));
    }

    automation::LocalHost local;
    std::shared_ptr<FaultPlan> plan = std::make_shared<FaultPlan>();
    testsupport::FaultyHost host{local, plan};
    FakeDesktop desktop;
    automation::Module1 module{host, desktop};
};

TEST_F(OpenExcelTest, AttachesToARunningApplicationWithoutAddingAnything)
{
    sheet::Application& user = startByUser(true);
    sheet::Worksheet* active = user.activeWorkbook()->activeSheet();

    module.OpenExcel();

    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(app(module.xlApp), &user);
    EXPECT_EQ(worksheet(module.xlSheet), active);
    EXPECT_EQ(user.workbooks().size(), 1u);
    EXPECT_EQ(user.activeWorkbook()->sheets().size(), 1u);
    EXPECT_TRUE(user.visible());
    EXPECT_EQ(desktop.activations, std::vector<std::string>{user.caption()});
    EXPECT_EQ(plan->log,
              (std::vector<std::string>{"GetObject", "Visible", "ActiveWorkbook", "ActiveSheet", "Caption"}));
}

TEST_F(OpenExcelTest, StartsANewApplicationWithAWorkbookAndOneMoreSheetInFront)
{
    ASSERT_EQ(running(), nullptr);

    module.OpenExcel();

    sheet::Application* started = running();
    ASSERT_NE(started, nullptr);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(app(module.xlApp), started);
    ASSERT_EQ(started->workbooks().size(), 1u);
    const auto& sheets = started->activeWorkbook()->sheets();
    ASSERT_EQ(sheets.size(), 2u);
    // The added sheet stands before the workbook's own sheet and is the one bound.
    EXPECT_EQ(sheets[0]->name(), "Sheet2");
    EXPECT_EQ(worksheet(module.xlSheet), sheets[0].get());
    EXPECT_TRUE(started->visible());
    EXPECT_NE(started->caption(), automation::kProgramTitle);
    EXPECT_EQ(desktop.activations, std::vector<std::string>{started->caption()});
}

TEST_F(OpenExcelTest, AFailedFirstStartShowsWhyAndBindsNothing)
{
    plan->failing = {"CreateObject"};
    plan->error = automation::errors::cannotCreateObject();

    module.OpenExcel();

    ASSERT_EQ(desktop.messages.size(), 1u);
    // The cause is the failed start, not the object-required error of the steps after it.
    EXPECT_EQ(desktop.messages[0], (FakeDesktop::Message{"ActiveX 部件不能创建对象", "Tessavo", 0}));
    EXPECT_TRUE(module.xlApp.isEmpty());
    EXPECT_TRUE(module.xlBook.isEmpty());
    EXPECT_TRUE(module.xlSheet.isNull());
    EXPECT_TRUE(desktop.activations.empty());
}

TEST_F(OpenExcelTest, AFailedLaterStartLeavesTheEarlierApplicationAndBindingsAlone)
{
    module.OpenExcel();
    sheet::Application* first = running();
    ASSERT_NE(first, nullptr);
    sheet::Worksheet* boundSheet = worksheet(module.xlSheet);

    plan->failing = {"GetObject", "CreateObject"};
    plan->error = automation::errors::cannotCreateObject();
    module.OpenExcel();

    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "ActiveX 部件不能创建对象");
    EXPECT_EQ(app(module.xlApp), first);
    EXPECT_EQ(worksheet(module.xlSheet), boundSheet);
    // Nothing was added to the instance that the first call started.
    EXPECT_EQ(first->workbooks().size(), 1u);
    EXPECT_EQ(first->activeWorkbook()->sheets().size(), 2u);
}

TEST_F(OpenExcelTest, AFailedWorkbookAddIsReportedAndLeavesTheNewInstanceHidden)
{
    plan->failing = {"Add"};

    module.OpenExcel();

    ASSERT_EQ(desktop.messages.size(), 1u);
    // The last failure of the start is shown: with no workbook, the sheet cannot be added either.
    EXPECT_EQ(desktop.messages[0].text, "没有打开的工作簿。");
    EXPECT_EQ(desktop.messages[0].style, 0);
    sheet::Application* started = app(module.xlApp);
    ASSERT_NE(started, nullptr);
    EXPECT_FALSE(started->visible());
    EXPECT_TRUE(module.xlBook.isEmpty());
    EXPECT_TRUE(module.xlSheet.isNull());
}

TEST_F(OpenExcelTest, WithNoWorkbookOpenBindsANullWorkbookAndKeepsTheSheet)
{
    // A first call binds a sheet; then the user quits and starts an instance without a workbook.
    module.OpenExcel();
    sheet::Worksheet* earlier = worksheet(module.xlSheet);
    running()->quit();
    sheet::Application& empty = startByUser(false);

    module.OpenExcel();

    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(app(module.xlApp), &empty);
    ASSERT_TRUE(module.xlBook.isObject());
    EXPECT_TRUE(module.xlBook.object().isNull());
    EXPECT_EQ(worksheet(module.xlSheet), earlier);
    EXPECT_TRUE(empty.visible());
    // The stale sheet answers with an error, never with freed memory.
    EXPECT_THROW(module.xlSheet.get("Cells", 1.0, 1.0), automation::AutomationError);
}

TEST_F(OpenExcelTest, AnApplicationClosedBetweenCallsIsReplacedByANewOne)
{
    module.OpenExcel();
    running()->quit();

    module.OpenExcel();

    sheet::Application* second = running();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(app(module.xlApp), second);
    EXPECT_EQ(worksheet(module.xlSheet), second->activeWorkbook()->activeSheet());
    EXPECT_EQ(second->activeWorkbook()->sheets().size(), 2u);
}

TEST_F(OpenExcelTest, EachCallBindsTheSheetActiveAtThatMoment)
{
    module.OpenExcel();
    sheet::Workbook* book = running()->activeWorkbook();
    EXPECT_EQ(worksheet(module.xlSheet), book->sheets()[0].get());

    module.OpenExcel();
    EXPECT_EQ(worksheet(module.xlSheet), book->sheets()[0].get());

    book->activateSheet(*book->sheets()[1]);
    module.OpenExcel();
    EXPECT_EQ(worksheet(module.xlSheet), book->sheets()[1].get());
    EXPECT_EQ(running()->workbooks().size(), 1u);
}

// Each automation call of a connection fails in turn: the call never throws, shows at most one message, and each
// variable holds either its earlier value or the one this call binds.
TEST_F(OpenExcelTest, EveryFailingCallLeavesEachVariableOldOrNew)
{
    for (bool attach : {false, true}) {
        for (int failAt = 1;; ++failAt) {
            automation::LocalHost freshLocal;
            sheet::registerEmbeddedSpreadsheet(freshLocal);
            auto freshPlan = std::make_shared<FaultPlan>();
            testsupport::FaultyHost freshHost(freshLocal, freshPlan);
            FakeDesktop freshDesktop;
            automation::Module1 m(freshHost, freshDesktop);
            if (attach) {
                m.OpenExcel(); // binds Sheet2; the user then switches to Sheet1
                auto* a = sheet::documentOf<sheet::Application>(freshLocal.runningObjects()->find("Excel.Application"));
                a->activeWorkbook()->activateSheet(*a->activeWorkbook()->sheets()[1]);
            }
            const Object oldSheet = m.xlSheet;
            freshPlan->calls = 0;
            freshPlan->log.clear();
            freshPlan->failAt = failAt;

            ASSERT_NO_THROW(m.OpenExcel());

            const bool failed = freshPlan->calls >= failAt;
            EXPECT_LE(freshDesktop.messages.size(), 1u);
            // A failed attach starts another instance, so "new" is whatever xlApp holds now.
            sheet::Application* a = m.xlApp.isObject() ? app(m.xlApp) : nullptr;
            sheet::Worksheet* now = worksheet(m.xlSheet);
            const bool sheetIsOld = testsupport::innerObject(m.xlSheet) == testsupport::innerObject(oldSheet);
            const bool sheetIsNew = a && a->activeWorkbook() && now == a->activeWorkbook()->activeSheet();
            EXPECT_TRUE(sheetIsOld || sheetIsNew) << "attach " << attach << ", failing call " << failAt;
            if (!failed)
                break;
        }
    }
}

} // namespace
