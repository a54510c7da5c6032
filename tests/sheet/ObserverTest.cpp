#include "Application.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using automation::Object;
using automation::Value;
using sheet::Change;

// Records what it hears, and how many workbooks the application still had at that moment.
class Recorder final : public sheet::ApplicationObserver {
public:
    void applicationChanged(Change what) override
    {
        changes.push_back(what);
        workbooksAtChange.push_back(app->workbooks().size());
    }
    const sheet::Application* app = nullptr;
    std::vector<Change> changes;
    std::vector<std::size_t> workbooksAtChange;
};

class ObserverTest : public testing::Test {
protected:
    ObserverTest()
    {
        sheet::registerEmbeddedSpreadsheet(host);
        appObject = host.createObject("Excel.Application");
        app = sheet::modelObject<sheet::Application>(appObject);
        book = appObject.get("Workbooks").call("Add");
        worksheet = appObject.get("ActiveSheet");
        recorder.app = app;
        app->setObserver(&recorder);
    }
    ~ObserverTest() override
    {
        if (app->isRunning())
            app->setObserver(nullptr);
    }

    automation::LocalHost host;
    Object appObject;
    sheet::Application* app = nullptr;
    Value book;
    Value worksheet;
    Recorder recorder;
};

TEST_F(ObserverTest, EveryChangeAWindowShowsIsNotifiedOnceWithItsKind)
{
    const struct {
        const char* what;
        std::function<void()> change;
        Change expected;
    } cases[] = {
        {"Cells put", [&] { worksheet.put("Cells", 1.0, 1.0, 5.0); }, Change::Cells},
        {"Range value put", [&] { worksheet.get("Cells", 2.0, 2.0).put("Value", "x"); }, Change::Cells},
        {"row insert", [&] { worksheet.get("Rows", 1.0).call("Insert"); }, Change::Cells},
        {"column delete", [&] { worksheet.get("Columns", 1.0).call("Delete"); }, Change::Cells},
        {"select", [&] { worksheet.get("Rows", 3.0).call("Select"); }, Change::Selection},
        {"sheet rename", [&] { worksheet.put("Name", "Data"); }, Change::Structure},
        {"workbook rename", [&] { book.put("Name", "Book"); }, Change::Structure},
        {"visible put", [&] { appObject.put("Visible", true); }, Change::Visibility},
        {"setVisible", [&] { app->setVisible(false); }, Change::Visibility},
    };
    for (const auto& c : cases) {
        recorder.changes.clear();
        c.change();
        EXPECT_EQ(recorder.changes, std::vector<Change>{c.expected}) << c.what;
    }
}

TEST_F(ObserverTest, AddingAndActivatingWorkbooksAndSheetsIsAStructureChange)
{
    const std::function<void()> changes[] = {
        [&] { appObject.get("Worksheets").call("Add"); },
        [&] { worksheet.call("Activate"); },
        [&] { appObject.get("Workbooks").call("Add"); },
        [&] { book.call("Activate"); },
        [&] { app->activeWorkbook()->activateSheet(*app->activeWorkbook()->sheets().back()); },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        recorder.changes.clear();
        changes[i]();
        ASSERT_FALSE(recorder.changes.empty()) << i;
        for (Change c : recorder.changes)
            EXPECT_EQ(c, Change::Structure) << i;
    }
}

TEST_F(ObserverTest, RefusedChangesAndReadsNotifyNothing)
{
    worksheet.put("Cells", sheet::Grid::kRows, 1.0, 1.0);
    appObject.get("Worksheets").call("Add"); // the sheet with a value in its last row is no longer active
    recorder.changes.clear();

    EXPECT_THROW(worksheet.get("Rows", 1.0).call("Insert"), automation::AutomationError);
    EXPECT_THROW(worksheet.get("Rows", 1.0).call("Select"), automation::AutomationError);
    EXPECT_THROW(worksheet.put("Cells", 0.0, 1.0, 1.0), automation::AutomationError);
    worksheet.get("Cells", 1.0, 1.0).get("Value");
    appObject.get("Caption");
    EXPECT_TRUE(recorder.changes.empty());
}

TEST_F(ObserverTest, QuitIsHeardOnceWhileTheWorkbooksRemainAndNothingAfterwards)
{
    const Object keep = appObject; // the application object outlives its registration
    appObject.call("Quit");
    EXPECT_EQ(recorder.changes, std::vector<Change>{Change::Quit});
    EXPECT_EQ(recorder.workbooksAtChange, std::vector<std::size_t>{1});
    EXPECT_EQ(app->observer(), nullptr);

    app->setVisible(true);
    app->quit();
    EXPECT_EQ(recorder.changes.size(), 1u);
}

TEST_F(ObserverTest, ADetachedObserverHearsNothing)
{
    app->setObserver(nullptr);
    worksheet.put("Cells", 1.0, 1.0, 5.0);
    appObject.call("Quit");
    EXPECT_TRUE(recorder.changes.empty());
}

} // namespace
