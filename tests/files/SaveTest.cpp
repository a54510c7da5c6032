// Saving over an existing file: what stays of it when the save fails, and what the new file keeps of the old.
#include "sheet/files/Csv.h"
#include "sheet/files/FileError.h"
#include "sheet/files/FileSystem.h"
#include "sheet/files/WriteReplacing.h"
#include "sheet/files/Xlsx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeText(const fs::path& p, const std::string& text)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
}

// Fills the temporary file with `text`, as the CSV and XLSX writers do.
auto filling(const std::string& text)
{
    return [text](const std::string& temporary) { writeText(temporary, text); };
}

std::vector<std::string> filesIn(const fs::path& dir)
{
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// The id of a process that has ended.
long endedProcess()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

class Saving : public testing::Test {
protected:
    Saving()
    {
        m_dir = fs::temp_directory_path() / ("tessavo-save-" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    ~Saving() override
    {
        std::error_code ignored;
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_dir, ignored);
    }
    fs::path at(const std::string& name) const { return m_dir / name; }

    fs::path m_dir;
};

TEST_F(Saving, TheNewFileKeepsTheModeOfTheOldOne)
{
    writeText(at("private.csv"), "old");
    fs::permissions(at("private.csv"), fs::perms::owner_read | fs::perms::owner_write);
    sheet::writeReplacing(at("private.csv").string(), filling("new"));
    EXPECT_EQ(readText(at("private.csv")), "new");
    EXPECT_EQ(fs::status(at("private.csv")).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    // A new file gets what the user's defaults give it, not the temporary file's own.
    sheet::writeReplacing(at("fresh.csv").string(), filling("x"));
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(at("fresh.csv")).permissions()), 0666 & ~mask);
}

TEST_F(Saving, AReadOnlyFileIsRefusedAndLeftAsItWas)
{
    writeText(at("locked.csv"), "old");
    fs::permissions(at("locked.csv"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    try {
        sheet::writeReplacing(at("locked.csv").string(), filling("new"));
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const sheet::ReadOnlyFile& e) {
        EXPECT_NE(std::string(e.what()).find("只读"), std::string::npos) << e.what();
    }
    EXPECT_EQ(readText(at("locked.csv")), "old");
    EXPECT_EQ(filesIn(m_dir), std::vector<std::string>{"locked.csv"});
}

TEST_F(Saving, ALinkIsWrittenThroughToItsTarget)
{
    fs::create_directories(at("real"));
    writeText(at("real/book.csv"), "old");
    fs::create_symlink("real/book.csv", at("link.csv"));
    fs::create_symlink("link.csv", at("link-to-link.csv"));

    sheet::writeReplacing(at("link-to-link.csv").string(), filling("new"));
    EXPECT_TRUE(fs::is_symlink(at("link.csv")));
    EXPECT_TRUE(fs::is_symlink(at("link-to-link.csv")));
    EXPECT_EQ(readText(at("real/book.csv")), "new");
    EXPECT_EQ(filesIn(at("real")), std::vector<std::string>{"book.csv"});

    // A link round in a circle is no file to save to, and a dangling one makes its target.
    fs::create_symlink("loop-b.csv", at("loop-a.csv"));
    fs::create_symlink("loop-a.csv", at("loop-b.csv"));
    EXPECT_THROW(sheet::writeReplacing(at("loop-a.csv").string(), filling("x")), sheet::FileError);
    fs::create_symlink("real/later.csv", at("dangling.csv"));
    sheet::writeReplacing(at("dangling.csv").string(), filling("made"));
    EXPECT_EQ(readText(at("real/later.csv")), "made");
}

TEST_F(Saving, AFailedWriteLeavesTheOldFileAndNoTemporaryFiles)
{
    writeText(at("book.xlsx"), "old");
    EXPECT_THROW(sheet::writeReplacing(at("book.xlsx").string(),
                                       [](const std::string& temporary) {
                                           writeText(temporary, "half");
                                           writeText(temporary + ".sheet1", "part"); // what a writer makes of it
                                           throw std::runtime_error("killed");
                                       }),
                 std::runtime_error);
    EXPECT_EQ(readText(at("book.xlsx")), "old");
    EXPECT_EQ(filesIn(m_dir), std::vector<std::string>{"book.xlsx"});

    // Saving into a folder that does not exist says so in Chinese.
    try {
        sheet::writeReplacing(at("no/such/book.xlsx").string(), filling("x"));
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const sheet::FileError& e) {
        EXPECT_NE(std::string(e.what()).find("文件夹不存在"), std::string::npos) << e.what();
    }
}

// How this machine's name goes into a temporary file's name.
std::string hostTag()
{
    std::string host = sheet::hostName();
    for (char& c : host)
        if (c == '.' || c == '/' || c == '\\' || c == '@')
            c = '_';
    return host.empty() ? std::string("host") : host;
}

TEST_F(Saving, LeftoversOfSavesKilledHalfWayAreRemoved)
{
    writeText(at("book.xlsx"), "old");
    const std::string here = "@" + hostTag() + ".1";
    const long ended = endedProcess();
    const std::string dead = "book.xlsx.tessavo-tmp." + std::to_string(ended) + here;
    writeText(at(dead), "half a zip");
    writeText(at(dead + ".a1B2c3"), "the archive's own temporary file");
    writeText(at(dead + ".sheet2"), "a part");
    // A save of another running program is left alone, and so are other files' leftovers.
    const std::string running = "book.xlsx.tessavo-tmp." + std::to_string(getppid()) + here;
    writeText(at(running), "in progress");
    const std::string other = "other.xlsx.tessavo-tmp." + std::to_string(ended) + here;
    writeText(at(other), "not ours to judge");
    // Another machine's save in a shared folder: its process cannot be asked, so only its age tells.
    const std::string elsewhere = "book.xlsx.tessavo-tmp." + std::to_string(ended) + "@far-away.1";
    writeText(at(elsewhere), "in progress over there");
    const std::string elsewhereOld = "book.xlsx.tessavo-tmp." + std::to_string(ended) + "@far-away.2";
    writeText(at(elsewhereOld), "left over there");
    fs::last_write_time(at(elsewhereOld), fs::file_time_type::clock::now() - std::chrono::hours(2));
    // An older save named no process: removed once it is old.
    writeText(at("book.xlsx.tessavo-tmp"), "old style");
    fs::last_write_time(at("book.xlsx.tessavo-tmp"), fs::file_time_type::clock::now() - std::chrono::hours(2));

    sheet::writeReplacing(at("book.xlsx").string(), filling("new"));
    EXPECT_EQ(readText(at("book.xlsx")), "new");
    std::vector<std::string> kept{"book.xlsx", running, elsewhere, other};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(filesIn(m_dir), kept);
}

TEST_F(Saving, TheFileIsPrivateWhileWrittenAndKeepsItsOwner)
{
    writeText(at("shared.csv"), "old");
    fs::permissions(at("shared.csv"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    fs::perms whileWritten{};
    sheet::writeReplacing(at("shared.csv").string(), [&](const std::string& temporary) {
        whileWritten = fs::status(temporary).permissions();
        writeText(temporary, "new");
    });
    EXPECT_EQ(whileWritten, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(static_cast<unsigned>(fs::status(at("shared.csv")).permissions()), 0644u);

    if (geteuid() != 0)
        GTEST_SKIP() << "only the administrator can save another user's file";
    ASSERT_EQ(chown(at("shared.csv").c_str(), 1234, 1234), 0);
    sheet::writeReplacing(at("shared.csv").string(), filling("newer"));
    struct stat st {};
    ASSERT_EQ(stat(at("shared.csv").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 1234u);
}

TEST_F(Saving, WritersKeepTheModeAndRefuseReadOnlyFilesToo)
{
    sheet::Grid grid;
    grid.setCell(1, 1, sheet::CellView::makeNumber(1));
    const sheet::BookSheet sheet{"Sheet1", sheet::Grid()};
    sheet::writeCsvFile(at("a.csv").string(), grid);
    sheet::writeXlsxFile(at("a.xlsx").string(), {sheet});
    for (const char* name : {"a.csv", "a.xlsx"})
        fs::permissions(at(name), fs::perms::owner_read | fs::perms::owner_write);
    sheet::writeCsvFile(at("a.csv").string(), grid);
    sheet::writeXlsxFile(at("a.xlsx").string(), {sheet});
    for (const char* name : {"a.csv", "a.xlsx"})
        EXPECT_EQ(fs::status(at(name)).permissions(), fs::perms::owner_read | fs::perms::owner_write) << name;

    fs::permissions(at("a.xlsx"), fs::perms::owner_read);
    EXPECT_THROW(sheet::writeXlsxFile(at("a.xlsx").string(), {sheet}), sheet::ReadOnlyFile);
    EXPECT_EQ(filesIn(m_dir), (std::vector<std::string>{"a.csv", "a.xlsx"}));
}

TEST_F(Saving, ACancelledSaveOrOpenChangesNothing)
{
    sheet::BookSheet big{"Sheet1", sheet::Grid()};
    for (int r = 1; r <= 150'000; ++r) {
        big.grid.setCell(r, 1, sheet::CellView::makeNumber(r));
        big.grid.setCell(r, 2, sheet::CellView::makeText("一段文字"));
    }
    writeText(at("old.xlsx"), "old");
    writeText(at("old.csv"), "old");
    // Stopped while the sheets are written, and while they are compressed.
    for (const double stopAt : {0.2, 0.7}) {
        std::vector<double> heard;
        const sheet::Progress stop = [&](double done) {
            heard.push_back(done);
            return done < stopAt;
        };
        EXPECT_THROW(sheet::writeXlsxFile(at("old.xlsx").string(), {big}, stop), sheet::FileCancelled) << stopAt;
        EXPECT_THROW(sheet::writeCsvFile(at("old.csv").string(), big.grid, ',', stop), sheet::FileCancelled);
        ASSERT_FALSE(heard.empty());
        EXPECT_TRUE(std::is_sorted(heard.begin(), heard.end()));
        EXPECT_LE(heard.back(), 1.0);
        EXPECT_EQ(readText(at("old.xlsx")), "old");
        EXPECT_EQ(readText(at("old.csv")), "old");
        EXPECT_EQ(filesIn(m_dir), (std::vector<std::string>{"old.csv", "old.xlsx"}));
    }
    // Heard to the end when not stopped.
    double last = 0;
    sheet::writeXlsxFile(at("new.xlsx").string(), {big}, [&](double done) {
        last = done;
        return true;
    });
    EXPECT_GT(last, 0.95);

    // Reading stops as well, and returns nothing.
    std::string text;
    for (int r = 0; r < 600'000; ++r) // 12 MB: progress is heard every 4
        text += "12345,一段文字\r\n";
    int calls = 0;
    EXPECT_THROW(sheet::readCsv(text, "big.csv", sheet::TextEncoding::Auto, ',', [&](double) { return ++calls < 2; }),
                 sheet::FileCancelled);
    EXPECT_EQ(calls, 2);
}

TEST(SystemErrors, TheCommonOnesAreSaidInChinese)
{
    using std::errc;
    EXPECT_EQ(sheet::systemErrorText(std::make_error_code(errc::permission_denied)), "没有权限");
    EXPECT_EQ(sheet::systemErrorText(std::make_error_code(errc::operation_not_permitted)), "不允许此操作(没有权限)");
    EXPECT_EQ(sheet::systemErrorText(std::make_error_code(errc::no_space_on_device)), "磁盘空间不足");
    EXPECT_EQ(sheet::systemErrorText(std::make_error_code(errc::read_only_file_system)),
              "所在的磁盘或文件系统是只读的");
    // The system's numbers compare as the same conditions.
    EXPECT_EQ(sheet::systemErrorText(std::error_code(ENOENT, std::system_category())), "文件或文件夹不存在");
    EXPECT_NE(sheet::systemErrorText(std::error_code(ENOLINK, std::generic_category())).find("系统错误"),
              std::string::npos);
    // Opening a file that is not there says so in the same words.
    try {
        sheet::readCsvFile("/no/such/file.csv");
        ADD_FAILURE() << "a missing file opened";
    } catch (const sheet::FileError& e) {
        EXPECT_NE(std::string(e.what()).find("文件或文件夹不存在"), std::string::npos) << e.what();
    }
}

} // namespace
