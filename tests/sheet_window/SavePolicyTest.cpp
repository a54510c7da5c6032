#include "sheet/window/SavePolicy.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using sheet::decideSave;
using sheet::decideSaveAs;
using sheet::FileFormat;
using sheet::SaveAsStart;
using sheet::SaveDecision;
using sheet::SaveFacts;

SaveFacts fileOf(FileFormat format, std::size_t sheets = 1)
{
    SaveFacts facts;
    facts.hasPath = true;
    facts.format = format;
    facts.sheets = sheets;
    return facts;
}

template <class Change> SaveFacts with(SaveFacts facts, Change change)
{
    change(facts);
    return facts;
}

const auto lossy = [](SaveFacts& f) { f.losses = true; };
const auto reencoded = [](SaveFacts& f) { f.reencodes = true; };
const auto changedOnDisk = [](SaveFacts& f) { f.conflict = true; };
const auto ownFile = [](SaveFacts& f) { f.targetIsOwnFile = true; };
const auto openElsewhere = [](SaveFacts& f) { f.targetOpenElsewhere = true; };

struct Case {
    const char* what;
    SaveFacts facts;
    SaveDecision expected;
};

TEST(SavePolicyTest, SaveWritesOverItsOwnFileOnlyWhenNothingIsLostOrUnasked)
{
    const Case cases[] = {
        {"a new workbook", SaveFacts{}, SaveDecision::ChooseFile},
        {"a file of no known format", fileOf(FileFormat::None), SaveDecision::ChooseFile},
        {"a workbook", fileOf(FileFormat::Xlsx, 3), SaveDecision::Write},
        {"a CSV of one sheet", fileOf(FileFormat::Csv), SaveDecision::Write},
        {"a workbook holding more than is kept", with(fileOf(FileFormat::Xlsx), lossy),
         SaveDecision::OfferSaveAsLosses},
        {"losses come before anything else",
         with(with(with(fileOf(FileFormat::Csv, 2), lossy), reencoded), changedOnDisk),
         SaveDecision::OfferSaveAsLosses},
        {"a CSV of two sheets", fileOf(FileFormat::Csv, 2), SaveDecision::OfferSaveAsSheets},
        {"tab-separated text of two sheets", fileOf(FileFormat::Tsv, 2), SaveDecision::OfferSaveAsSheets},
        {"many sheets come before the encoding", with(fileOf(FileFormat::Tsv, 2), reencoded),
         SaveDecision::OfferSaveAsSheets},
        {"text read in another encoding", with(fileOf(FileFormat::Csv), reencoded), SaveDecision::ConfirmReencoding},
        {"the encoding before the file changed on disk", with(with(fileOf(FileFormat::Csv), reencoded), changedOnDisk),
         SaveDecision::ConfirmReencoding},
        {"a file changed on disk or held elsewhere", with(fileOf(FileFormat::Xlsx), changedOnDisk),
         SaveDecision::AskOverwrite},
        {"once the encoding is agreed",
         with(fileOf(FileFormat::Csv), [](SaveFacts& f) { f.reencodes = f.reencodingConfirmed = f.conflict = true; }),
         SaveDecision::AskOverwrite},
        {"once the overwrite is agreed",
         with(fileOf(FileFormat::Xlsx), [](SaveFacts& f) { f.conflict = f.overwriteConfirmed = true; }),
         SaveDecision::Write},
        {"agreeing never lets losses through",
         with(with(fileOf(FileFormat::Xlsx), lossy),
              [](SaveFacts& f) { f.overwriteConfirmed = f.reencodingConfirmed = true; }),
         SaveDecision::OfferSaveAsLosses},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decideSave(c.facts), c.expected) << c.what;
}

TEST(SavePolicyTest, SaveAsRefusesTheLossyOriginalAndAFileOfAnotherWindow)
{
    const Case cases[] = {
        {"a new workbook to a new file", SaveFacts{}, SaveDecision::Write},
        {"a lossy workbook to its own file", with(with(fileOf(FileFormat::Xlsx), lossy), ownFile),
         SaveDecision::RefuseOriginal},
        {"even when overwriting was agreed",
         with(with(with(fileOf(FileFormat::Xlsx), lossy), ownFile), [](SaveFacts& f) { f.overwriteConfirmed = true; }),
         SaveDecision::RefuseOriginal},
        {"a lossy workbook to another file", with(fileOf(FileFormat::Xlsx), lossy), SaveDecision::Write},
        {"a file another program holds", with(SaveFacts{}, changedOnDisk), SaveDecision::AskOverwrite},
        {"a file of another window", with(fileOf(FileFormat::Xlsx), openElsewhere), SaveDecision::RefuseOpenElsewhere},
        {"the other program is named first", with(with(SaveFacts{}, openElsewhere), changedOnDisk),
         SaveDecision::AskOverwrite},
        {"and the other window after the answer",
         with(with(SaveFacts{}, openElsewhere), [](SaveFacts& f) { f.conflict = f.overwriteConfirmed = true; }),
         SaveDecision::RefuseOpenElsewhere},
        {"its own text file in another encoding", with(with(fileOf(FileFormat::Csv), reencoded), ownFile),
         SaveDecision::ConfirmReencoding},
        {"its text to another file", with(fileOf(FileFormat::Csv), reencoded), SaveDecision::Write},
        {"the overwrite before the encoding",
         with(with(with(fileOf(FileFormat::Csv), reencoded), ownFile), changedOnDisk), SaveDecision::AskOverwrite},
        {"a text file of many sheets to itself, as chosen", with(fileOf(FileFormat::Csv, 3), ownFile),
         SaveDecision::Write},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decideSaveAs(c.facts), c.expected) << c.what;
}

TEST(SavePolicyTest, SaveAsNeverSuggestsAFileThatWouldLoseContent)
{
    const struct {
        const char* what;
        SaveFacts facts;
        SaveAsStart expected;
    } cases[] = {
        {"a new workbook", SaveFacts{}, SaveAsStart::NewFile},
        {"a workbook", fileOf(FileFormat::Xlsx, 2), SaveAsStart::OwnFile},
        {"a CSV of one sheet", fileOf(FileFormat::Csv), SaveAsStart::OwnFile},
        {"a lossy workbook", with(fileOf(FileFormat::Xlsx), lossy), SaveAsStart::CopyBeside},
        {"a lossy text file of many sheets", with(fileOf(FileFormat::Csv, 2), lossy), SaveAsStart::CopyBeside},
        {"a text file of many sheets", fileOf(FileFormat::Tsv, 2), SaveAsStart::WorkbookBeside},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sheet::saveAsStart(c.facts), c.expected) << c.what;
}

// The window's loop: every question answered yes, each answer recorded, until the policy writes.
std::vector<SaveDecision> agreeingToEverything(SaveFacts facts, SaveDecision (*decide)(const SaveFacts&))
{
    std::vector<SaveDecision> steps;
    for (int i = 0; i < 10; ++i) {
        steps.push_back(decide(facts));
        if (steps.back() == SaveDecision::ConfirmReencoding)
            facts.reencodingConfirmed = true;
        else if (steps.back() == SaveDecision::AskOverwrite)
            facts.overwriteConfirmed = true;
        else
            break;
    }
    return steps;
}

TEST(SavePolicyTest, EachQuestionIsAskedOnceInItsOrder)
{
    const SaveFacts guessedAndChanged = with(with(with(fileOf(FileFormat::Csv), reencoded), changedOnDisk), ownFile);
    EXPECT_EQ(agreeingToEverything(guessedAndChanged, decideSave),
              (std::vector{SaveDecision::ConfirmReencoding, SaveDecision::AskOverwrite, SaveDecision::Write}));
    EXPECT_EQ(agreeingToEverything(guessedAndChanged, decideSaveAs),
              (std::vector{SaveDecision::AskOverwrite, SaveDecision::ConfirmReencoding, SaveDecision::Write}));
}

} // namespace
