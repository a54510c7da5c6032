#pragma once

#include "sheet/window/WindowDialogs.h"

#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

namespace testsupport {

/// The spreadsheet window's dialogs for tests: each answers at once from what the test queued, and records what it
/// was shown. Put in place with sheet::WindowDialogs::setCurrent.
class FakeWindowDialogs final : public sheet::WindowDialogs {
public:
    std::optional<sheet::FileChoice> openFile(QWidget*) override;
    std::optional<sheet::FileChoice> saveFile(QWidget*, const QString& suggested) override;
    sheet::CloseAnswer askSaveChanges(QWidget*, const QString& name) override;
    bool askSaveAsInstead(QWidget*, const QString& message) override;
    sheet::OverwriteAnswer askOverwrite(QWidget*, const QString& message) override;
    sheet::RecoveryAnswer askRecover(QWidget*, const QString& message) override;
    bool confirm(QWidget*, const QString& message, const QString& action) override;
    std::optional<sheet::TextEncoding> chooseEncoding(QWidget*, const QString& name,
                                                      sheet::TextEncoding current) override;
    void warn(QWidget*, const QString& message) override;
    void inform(QWidget*, const QString& message) override;

    std::deque<std::optional<sheet::FileChoice>> files; // a dialog left unanswered is cancelled
    std::deque<sheet::CloseAnswer> closeAnswers;        // Don't Save when none is queued
    std::deque<bool> saveAsInstead;
    std::deque<sheet::OverwriteAnswer> overwriteAnswers;      // Cancel when none is queued
    std::deque<sheet::RecoveryAnswer> recoveryAnswers;        // Later when none is queued
    std::deque<bool> confirms;                                // cancelled when none is queued
    std::deque<std::optional<sheet::TextEncoding>> encodings; // cancelled when none is queued
    QStringList asked;                                        // the workbooks askSaveChanges named
    QStringList questions;                                    // what confirm explained
    std::vector<sheet::TextEncoding> offered;
    QStringList suggestions;
    QStringList warnings; // warn, and the questions with answers of their own: save as, overwrite, recover
    QStringList notes;
};

} // namespace testsupport
