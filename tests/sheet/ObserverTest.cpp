#include "sheet/document/Application.h"
#include "testsupport/SpreadsheetWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
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
        workbooks.push_back(app->workbooks().size());
    }
    const sheet::Application* app = nullptr;
    std::vector<Change> changes;
    std::vector<std::size_t> workbooks;
};

class ObserverTest : public testing::Test {
protected:
    ObserverTest()
    {
        recorder.app = w.app;
        w.app->setObserver(&recorder);
    }

    // The user's spreadsheet with one workbook, reached through its object model.
    testsupport::SpreadsheetWorld w;
    Object appObject = w.runningObject();
    Value book = appObject.get("ActiveWorkbook");
    Value worksheet = appObject.get("ActiveSheet");
    Recorder recorder;
};

TEST_F(ObserverTest, EveryChangeAWindowShowsIsNotifiedWithItsKind)
{
    const struct {
        const char* what;
        std::function<void()> change;
        Change expected;
    } cases[] = {{"Cells put", [&] { worksheet.put("Cells", 1.0, 1.0, 5.0); }, Change::Cells},
                 {"Value put", [&] { worksheet.get("Cells", 2.0, 2.0).put("Value", "x"); }, Change::Cells},
                 {"row insert", [&] { worksheet.get("Rows", 1.0).call("Insert"); }, Change::Cells},
                 {"column delete", [&] { worksheet.get("Columns", 1.0).call("Delete"); }, Change::Cells},
                 {"select", [&] { worksheet.get("Rows", 3.0).call("Select"); }, Change::Selection},
                 {"sheet rename", [&] { worksheet.put("Name", "Data"); }, Change::Structure},
                 {"workbook rename", [&] { book.put("Name", "Book"); }, Change::Structure},
                 {"sheet added", [&] { appObject.get("Worksheets").call("Add"); }, Change::Structure},
                 {"sheet activated", [&] { worksheet.call("Activate"); }, Change::Structure},
                 {"workbook added", [&] { appObject.get("Workbooks").call("Add"); }, Change::Structure},
                 {"workbook activated", [&] { book.call("Activate"); }, Change::Structure},
                 {"Visible put", [&] { appObject.put("Visible", true); }, Change::Visibility},
                 {"setVisible", [&] { w.app->setVisible(false); }, Change::Visibility}};
    for (const auto& c : cases) {
        recorder.changes.clear();
        c.change();
        EXPECT_FALSE(recorder.changes.empty()) << c.what;
        EXPECT_TRUE(std::ranges::all_of(recorder.changes, [&](Change x) { return x == c.expected; })) << c.what;
    }
}

TEST_F(ObserverTest, QuitIsHeardOnceWhileTheWorkbooksRemainAndNothingAfterwards)
{
    appObject.call("Quit");
    EXPECT_EQ(recorder.changes, std::vector<Change>{Change::Quit});
    EXPECT_EQ(recorder.workbooks, std::vector<std::size_t>{1});
    EXPECT_EQ(w.app->observer(), nullptr);

    w.app->setVisible(true);
    w.app->quit();
    EXPECT_EQ(recorder.changes.size(), 1u);
}

} // namespace
