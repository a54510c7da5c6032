#include "ui/rules/Form1Presenter.h"
#include "testsupport/SpreadsheetWorld.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using testing::ElementsAre;
using ui::layout::Id;

// A view that keeps the boxes' texts and records what the rules asked of it, in order.
class FakeView final : public ui::Form1View {
public:
    std::map<Id, std::string> texts;
    int check = 0;
    std::vector<std::string> log;
    bool donationLoaded = false;

    std::string text(Id box) const override
    {
        const auto it = texts.find(box);
        return it == texts.end() ? std::string() : it->second;
    }
    void setText(Id box, std::string_view text) override
    {
        texts[box] = std::string(text);
        log.push_back("setText " + name(box));
    }
    int textLength(Id box) const override { return static_cast<int>(text(box).size()); }
    void select(Id box, int start, int length) override
    {
        log.push_back("select " + name(box) + " " + std::to_string(start) + " " + std::to_string(length));
    }
    int checkState() const override { return check; }
    void setCheckState(int state) override
    {
        check = state;
        log.push_back("check " + std::to_string(state));
    }
    void setTopmost(bool on) override { log.push_back(on ? "topmost" : "notopmost"); }
    void createDonationWindow() override { log.push_back("create donation"); }
    void showDonationWindow() override
    {
        donationLoaded = true;
        log.push_back("show donation");
    }
    void unloadDonationWindow() override
    {
        if (donationLoaded)
            log.push_back("unload donation");
        donationLoaded = false;
    }
    void closeMainWindow() override { log.push_back("close main"); }

    static std::string name(Id id) { return std::string(ui::layout::control(id).name); }
};

class Form1PresenterTest : public testing::Test {
protected:
    Form1PresenterTest()
    {
        for (const ui::layout::Control& c : ui::layout::form1Controls())
            if (c.kind == ui::layout::Kind::TextBox)
                view.texts[c.id] = std::string(c.text);
    }

    // No spreadsheet runs until a test starts one.
    testsupport::SpreadsheetWorld w{{.start = testsupport::SpreadsheetWorld::Start::Nothing}};
    FakeView view;
    ui::Form1Presenter presenter{view, w.module, w.desktop};
};

TEST_F(Form1PresenterTest, LoadEmptiesThePlaceholdersThenKeepsTheWindowInFront)
{
    presenter.load();
    EXPECT_THAT(view.log,
                ElementsAre("setText Text1", "setText Text2", "setText Text3", "setText Text4", "setText Text11",
                            "setText Text10", "setText Text9", "setText Text12", "check 1", "topmost"));
    for (const auto& [id, text] : view.texts)
        EXPECT_EQ(text, "") << FakeView::name(id);
}

TEST_F(Form1PresenterTest, FocusSelectsTheWholeTextOfTheFirstEightBoxesOnly)
{
    view.texts[Id::Text7] = "12";
    view.texts[Id::Text9] = "34";
    presenter.focusGained(Id::Text7);
    presenter.focusGained(Id::Text4); // empty: an empty selection
    presenter.focusGained(Id::Text9);
    presenter.focusGained(Id::Text12);
    presenter.focusGained(Id::Command1);
    presenter.focusGained(Id::Check1);
    EXPECT_THAT(view.log, ElementsAre("select Text7 0 2", "select Text4 0 0"));
}

TEST_F(Form1PresenterTest, OnlyATickKeepsTheWindowInFront)
{
    for (int state : {0, 1, 2, 1}) {
        view.check = state;
        presenter.check1Changed();
    }
    EXPECT_THAT(view.log, ElementsAre("notopmost", "topmost", "notopmost", "topmost"));
}

TEST_F(Form1PresenterTest, OneDonationWindowIsMadeAndExitClosesItBeforeTheMainWindow)
{
    EXPECT_FALSE(presenter.donationWindowCreated());
    presenter.clicked(Id::Command5);
    presenter.clicked(Id::Command5);
    EXPECT_TRUE(presenter.donationWindowCreated());
    presenter.clicked(Id::Command6);
    presenter.unloading(); // what the view reports while the main window goes
    EXPECT_THAT(view.log,
                ElementsAre("create donation", "show donation", "show donation", "unload donation", "close main"));
}

TEST_F(Form1PresenterTest, ExitOrClosingWithoutTheDonationWindowNeverMakesOne)
{
    presenter.clicked(Id::Command6);
    presenter.unloading();
    EXPECT_THAT(view.log, ElementsAre("close main"));
    EXPECT_FALSE(presenter.donationWindowCreated());
}

TEST_F(Form1PresenterTest, ClosingTheMainWindowAnyOtherWayClosesTheDonationWindowToo)
{
    presenter.clicked(Id::Command5);
    presenter.unloading();
    EXPECT_FALSE(view.donationLoaded);
    // Closed on its own and shown again: the same window, loaded again.
    presenter.clicked(Id::Command5);
    EXPECT_THAT(view.log, ElementsAre("create donation", "show donation", "unload donation", "show donation"));
}

TEST_F(Form1PresenterTest, EachGroupButtonRunsItsEditOnItsOwnBoxes)
{
    w.startByUser();
    sheet::Grid& grid = w.grid();
    for (int r = 1; r <= 12; ++r)
        grid.setCell(r, 1, sheet::CellView::makeNumber(r));
    for (int c = 2; c <= 12; ++c)
        grid.setCell(1, c, sheet::CellView::makeNumber(c));
    presenter.load();

    // Every 3 rows insert 2, from row 1 to row 10: three groups, so rows 4-5, 9-10 and 14-15 are blank.
    view.texts[Id::Text1] = "1";
    view.texts[Id::Text4] = "10";
    view.texts[Id::Text2] = "3";
    view.texts[Id::Text3] = "2";
    presenter.clicked(Id::Command1);
    EXPECT_EQ(grid.cell(4, 1).kind, sheet::CellKind::Empty);
    EXPECT_EQ(grid.cell(6, 1).number, 4.0);
    EXPECT_EQ(grid.lastRow(), 18);

    // Every 4 columns insert 1, from column 2 to column 9: one whole interval fits before the end.
    view.texts[Id::Text9] = "2";
    view.texts[Id::Text12] = "9";
    view.texts[Id::Text11] = "4";
    view.texts[Id::Text10] = "1";
    presenter.clicked(Id::Command4);
    EXPECT_EQ(grid.lastColumn(), 13);

    view.texts[Id::Text8] = "1";
    view.texts[Id::Text7] = "18";
    presenter.clicked(Id::Command3);
    view.texts[Id::Text5] = "1";
    view.texts[Id::Text6] = "18";
    presenter.clicked(Id::Command2);
    EXPECT_EQ(grid.lastRow(), 12);

    ASSERT_EQ(w.desktop.messages.size(), 4u);
    EXPECT_EQ(w.desktop.messages[0].text, "数据处理完成,谢谢使用!");
    EXPECT_EQ(w.desktop.messages[1].text, "数据处理完成,谢谢使用!");
    EXPECT_EQ(w.desktop.messages[2].text, "数据处理完成,共选择空行 6 个!");
    EXPECT_EQ(w.desktop.messages[3].text, "数据处理完成,共删除空行 6 个!");
}

TEST_F(Form1PresenterTest, WhileAnEditRunsNoButtonDoesAnything)
{
    // The user presses buttons while the edit's message box is open.
    w.desktop.onMessage = [this](const testsupport::FakeDesktop::Message&) {
        EXPECT_TRUE(presenter.busy());
        for (Id id : {Id::Command1, Id::Command2, Id::Command5, Id::Command6})
            presenter.clicked(id);
    };
    presenter.clicked(Id::Command1);
    EXPECT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_TRUE(view.log.empty());
    EXPECT_FALSE(presenter.busy());
    presenter.clicked(Id::Command6);
    EXPECT_THAT(view.log, ElementsAre("close main"));
}

TEST_F(Form1PresenterTest, OtherControlsRunNothing)
{
    for (Id id : {Id::Check1, Id::Text1, Id::Label10, Id::Frame1})
        presenter.clicked(id);
    EXPECT_TRUE(view.log.empty());
    EXPECT_TRUE(w.desktop.messages.empty());
}

} // namespace
