#include "link/Module1.h"
#include "sheet/document/Application.h"
#include "testsupport/SpreadsheetWorld.h"

#include <gtest/gtest.h>

namespace {

using automation::Object;
using automation::Value;
using testsupport::FakeDesktop;
using testsupport::SpreadsheetWorld;

// Nothing runs yet; the program reaches the spreadsheet through a host whose calls can fail.
const SpreadsheetWorld::Options kNothingRunning{.start = SpreadsheetWorld::Start::Nothing, .faults = true};

sheet::Application* app(const Value& v)
{
    return sheet::documentOf<sheet::Application>(testsupport::innerObject(v.object()));
}
sheet::Worksheet* worksheet(const Object& o)
{
    return sheet::documentOf<sheet::Worksheet>(testsupport::innerObject(o));
}

class OpenExcelTest : public testing::Test {
protected:
    SpreadsheetWorld w{kNothingRunning};
};

TEST_F(OpenExcelTest, AttachesToARunningApplicationWithoutAddingAnything)
{
    sheet::Application& user = w.startByUser(true);
    sheet::Worksheet* active = user.activeWorkbook()->activeSheet();

    w.module.OpenExcel();

    EXPECT_TRUE(w.desktop.messages.empty());
    EXPECT_EQ(app(w.module.xlApp), &user);
    EXPECT_EQ(worksheet(w.module.xlSheet), active);
    EXPECT_EQ(user.workbooks().size(), 1u);
    EXPECT_EQ(user.activeWorkbook()->sheets().size(), 1u);
    EXPECT_TRUE(user.visible());
    EXPECT_EQ(w.desktop.activations, std::vector<std::string>{user.caption()});
    EXPECT_EQ(w.plan->log,
              (std::vector<std::string>{"GetObject", "Visible", "ActiveWorkbook", "ActiveSheet", "Caption"}));
}

TEST_F(OpenExcelTest, StartsANewApplicationWithAWorkbookAndOneMoreSheetInFront)
{
    ASSERT_EQ(w.running(), nullptr);

    w.module.OpenExcel();

    sheet::Application* started = w.running();
    ASSERT_NE(started, nullptr);
    EXPECT_TRUE(w.desktop.messages.empty());
    EXPECT_EQ(app(w.module.xlApp), started);
    ASSERT_EQ(started->workbooks().size(), 1u);
    const auto& sheets = started->activeWorkbook()->sheets();
    ASSERT_EQ(sheets.size(), 2u);
    // The added sheet stands before the workbook's own sheet and is the one bound.
    EXPECT_EQ(sheets[0]->name(), "Sheet2");
    EXPECT_EQ(worksheet(w.module.xlSheet), sheets[0].get());
    EXPECT_TRUE(started->visible());
    EXPECT_NE(started->caption(), automation::kProgramTitle);
    EXPECT_EQ(w.desktop.activations, std::vector<std::string>{started->caption()});
}

TEST_F(OpenExcelTest, AFailedFirstStartShowsWhyAndBindsNothing)
{
    w.plan->failing = {"CreateObject"};
    w.plan->error = automation::errors::cannotCreateObject();

    w.module.OpenExcel();

    ASSERT_EQ(w.desktop.messages.size(), 1u);
    // The cause is the failed start, not the object-required error of the steps after it.
    EXPECT_EQ(w.desktop.messages[0], (FakeDesktop::Message{"ActiveX 部件不能创建对象", "Tessavo", 0}));
    EXPECT_TRUE(w.module.xlApp.isEmpty());
    EXPECT_TRUE(w.module.xlBook.isEmpty());
    EXPECT_TRUE(w.module.xlSheet.isNull());
    EXPECT_TRUE(w.desktop.activations.empty());
}

TEST_F(OpenExcelTest, AFailedLaterStartLeavesTheEarlierApplicationAndBindingsAlone)
{
    w.module.OpenExcel();
    sheet::Application* first = w.running();
    ASSERT_NE(first, nullptr);
    sheet::Worksheet* boundSheet = worksheet(w.module.xlSheet);

    w.plan->failing = {"GetObject", "CreateObject"};
    w.plan->error = automation::errors::cannotCreateObject();
    w.module.OpenExcel();

    ASSERT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_EQ(w.desktop.messages[0].text, "ActiveX 部件不能创建对象");
    EXPECT_EQ(app(w.module.xlApp), first);
    EXPECT_EQ(worksheet(w.module.xlSheet), boundSheet);
    // Nothing was added to the instance that the first call started.
    EXPECT_EQ(first->workbooks().size(), 1u);
    EXPECT_EQ(first->activeWorkbook()->sheets().size(), 2u);
}

TEST_F(OpenExcelTest, AFailedWorkbookAddIsReportedAndLeavesTheNewInstanceHidden)
{
    w.plan->failing = {"Add"};

    w.module.OpenExcel();

    ASSERT_EQ(w.desktop.messages.size(), 1u);
    // The last failure of the start is shown: with no workbook, the sheet cannot be added either.
    EXPECT_EQ(w.desktop.messages[0].text, "没有打开的工作簿。");
    EXPECT_EQ(w.desktop.messages[0].style, 0);
    sheet::Application* started = app(w.module.xlApp);
    ASSERT_NE(started, nullptr);
    EXPECT_FALSE(started->visible());
    EXPECT_TRUE(w.module.xlBook.isEmpty());
    EXPECT_TRUE(w.module.xlSheet.isNull());
}

TEST_F(OpenExcelTest, WithNoWorkbookOpenBindsANullWorkbookAndKeepsTheSheet)
{
    // A first call binds a sheet; then the user quits and starts an instance without a workbook.
    w.module.OpenExcel();
    sheet::Worksheet* earlier = worksheet(w.module.xlSheet);
    w.running()->quit();
    sheet::Application& empty = w.startByUser(false);

    w.module.OpenExcel();

    EXPECT_TRUE(w.desktop.messages.empty());
    EXPECT_EQ(app(w.module.xlApp), &empty);
    ASSERT_TRUE(w.module.xlBook.isObject());
    EXPECT_TRUE(w.module.xlBook.object().isNull());
    EXPECT_EQ(worksheet(w.module.xlSheet), earlier);
    EXPECT_TRUE(empty.visible());
    // The stale sheet answers with an error, never with freed memory.
    EXPECT_THROW(w.module.xlSheet.get("Cells", 1.0, 1.0), automation::AutomationError);
}

TEST_F(OpenExcelTest, AnApplicationClosedBetweenCallsIsReplacedByANewOne)
{
    w.module.OpenExcel();
    w.running()->quit();

    w.module.OpenExcel();

    sheet::Application* second = w.running();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(w.desktop.messages.empty());
    EXPECT_EQ(app(w.module.xlApp), second);
    EXPECT_EQ(worksheet(w.module.xlSheet), second->activeWorkbook()->activeSheet());
    EXPECT_EQ(second->activeWorkbook()->sheets().size(), 2u);
}

TEST_F(OpenExcelTest, EachCallBindsTheSheetActiveAtThatMoment)
{
    w.module.OpenExcel();
    sheet::Workbook* book = w.running()->activeWorkbook();
    EXPECT_EQ(worksheet(w.module.xlSheet), book->sheets()[0].get());

    w.module.OpenExcel();
    EXPECT_EQ(worksheet(w.module.xlSheet), book->sheets()[0].get());

    book->activateSheet(*book->sheets()[1]);
    w.module.OpenExcel();
    EXPECT_EQ(worksheet(w.module.xlSheet), book->sheets()[1].get());
    EXPECT_EQ(w.running()->workbooks().size(), 1u);
}

// Each automation call of a connection fails in turn: the call never throws, shows at most one message, and each
// variable holds either its earlier value or the one this call binds.
TEST_F(OpenExcelTest, EveryFailingCallLeavesEachVariableOldOrNew)
{
    for (bool attach : {false, true}) {
        for (int failAt = 1;; ++failAt) {
            SpreadsheetWorld fresh{kNothingRunning};
            automation::Module1& m = fresh.module;
            if (attach) {
                m.OpenExcel(); // binds Sheet2; the user then switches to Sheet1
                sheet::Workbook* book = fresh.running()->activeWorkbook();
                book->activateSheet(*book->sheets()[1]);
            }
            const Object oldSheet = m.xlSheet;
            fresh.plan->calls = 0;
            fresh.plan->log.clear();
            fresh.plan->failAt = failAt;

            ASSERT_NO_THROW(m.OpenExcel());

            const bool failed = fresh.plan->calls >= failAt;
            EXPECT_LE(fresh.desktop.messages.size(), 1u);
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
