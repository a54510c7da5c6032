#pragma once

#include "link/uno/Office.h"

#include <filesystem>
#include <memory>
#include <string>

namespace testsupport {

/// A headless LibreOffice of the tests' own: its profile in a folder of its own, its own pipe, stopped by process
/// id with every file it left. Nothing of the user's office is touched.
class TestOffice {
public:
    /// Starts the office, unless `start` is false (the program is to start it); `name` tells offices of one test
    /// run apart.
    explicit TestOffice(const std::string& name = "office", bool start = true);
    TestOffice(const TestOffice&) = delete;
    TestOffice& operator=(const TestOffice&) = delete;
    ~TestOffice();

    /// How the program reaches this office, as if it were the user's.
    const automation::uno::OfficeOptions& options() const { return m_options; }
    /// The tests' own connection, for what a user does in the office; made when first asked for.
    automation::uno::Office& connection();
    /// The office running on this profile now, or 0.
    pid_t pid() const;

    /// Closes every document, as a user who closes their windows.
    void closeAll();
    /// Kills the office at once, as a crash does.
    void kill();
    /// Stops the office's process where it stands, as a hung office does, or lets it go on.
    void freeze(bool frozen);
    /// Ends it as the user does, then by process id if it lingers.
    void stop();

private:
    std::filesystem::path m_folder;
    automation::uno::OfficeOptions m_options;
    std::shared_ptr<automation::uno::Office> m_office;
};

/// The folder test offices keep their profiles in: TESSAVO_TEST_OFFICES when set (the wrapper that runs the tests
/// removes it, and any office left in it), else a folder in the system's temporary folder.
std::filesystem::path testOfficesFolder();

} // namespace testsupport
