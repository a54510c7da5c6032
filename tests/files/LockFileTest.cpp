// Who else edits a file, as the lock files of office programs say, and the lock file this program keeps itself.
#include "sheet/files/LockFile.h"
#include "sheet/files/FileSystem.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Another process that takes `take` and waits until it is killed; the parent waits until it has.
class OtherProcess {
public:
    template <class F> explicit OtherProcess(F take)
    {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlives a test that crashed
            close(ready[0]);
            take();
            const char done = 1;
            (void)!write(ready[1], &done, 1);
            pause();
            _exit(0);
        }
        // Our end closed first: a child that dies early ends the read instead of leaving it waiting.
        close(ready[1]);
        char done = 0;
        (void)!read(ready[0], &done, 1);
        close(ready[0]);
    }
    ~OtherProcess() { kill(); }
    void kill()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
};

class LockFiles : public testing::Test {
protected:
    LockFiles()
    {
        m_dir = fs::temp_directory_path() / ("tessavo-lock-" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        std::ofstream(m_dir / "成绩.xlsx") << "a workbook";
    }
    ~LockFiles() override { fs::remove_all(m_dir); }
    std::string book() const { return (m_dir / "成绩.xlsx").string(); }
    fs::path lock() const { return m_dir / ".~lock.成绩.xlsx#"; }

    fs::path m_dir;
};

TEST_F(LockFiles, OursIsOfLibreOfficesKindAndGoesWithTheWorkbook)
{
    EXPECT_EQ(sheet::lockFileFor(book()), lock().string());
    {
        sheet::EditLock mine(book());
        ASSERT_TRUE(mine.held());
        const std::string text = readText(lock());
        EXPECT_EQ(text.rfind("Tessavo," + sheet::userName() + ",", 0), 0u) << text;
        EXPECT_EQ(text.back(), ';');
        // Our own claim is nobody else's.
        EXPECT_FALSE(sheet::otherEditor(book()));
        // Moving it keeps one claim.
        sheet::EditLock moved = std::move(mine);
        EXPECT_TRUE(moved.held());
        EXPECT_FALSE(mine.held());
    }
    EXPECT_FALSE(fs::exists(lock()));
}

TEST_F(LockFiles, OtherProgramsClaimsAreSeenAndLeftAlone)
{
    std::ofstream(lock()) << "张三,zhang,pc-12,09.12.2026 14:05,file:///home/zhang/.config/libreoffice/4;";
    const auto editor = sheet::otherEditor(book());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->who, "LibreOffice: 张三 (zhang@pc-12)");
    EXPECT_EQ(editor->since, "09.12.2026 14:05");
    {
        sheet::EditLock mine(book());
        EXPECT_FALSE(mine.held());
    }
    EXPECT_TRUE(fs::exists(lock())) << "another program's lock file was removed";
    fs::remove(lock());

    // Microsoft Office's owner file, and a record lock another process holds on the file itself.
    std::ofstream(m_dir / "~$成绩.xlsx") << "owner";
    EXPECT_EQ(sheet::otherEditor(book())->who, "Microsoft Office");
    fs::remove(m_dir / "~$成绩.xlsx");
    {
        OtherProcess other([&] { sheet::holdLock(book()); });
        EXPECT_EQ(sheet::otherEditor(book())->who, "另一个程序");
    }
    EXPECT_FALSE(sheet::otherEditor(book()));
}

TEST_F(LockFiles, AnotherRunningInstanceClaimsTheFileAndAKilledOneDoesNot)
{
    {
        OtherProcess other([&] { new sheet::EditLock(book()); });
        const auto editor = sheet::otherEditor(book());
        ASSERT_TRUE(editor);
        EXPECT_EQ(editor->who.rfind("Tessavo: ", 0), 0u) << editor->who;
        EXPECT_FALSE(sheet::EditLock(book()).held());
        other.kill();
    }
    // Killed: its lock file stays behind, but nobody holds it any longer.
    ASSERT_TRUE(fs::exists(lock()));
    EXPECT_FALSE(sheet::otherEditor(book()));
    sheet::EditLock mine(book());
    EXPECT_TRUE(mine.held());
}

TEST_F(LockFiles, ClaimsWithinTheProcessShareOneLockFile)
{
    // A workbook reopened in another encoding claims the file before the old one lets go.
    auto first = std::make_unique<sheet::EditLock>(book());
    sheet::EditLock second(book());
    EXPECT_TRUE(first->held());
    EXPECT_TRUE(second.held());
    first.reset();
    EXPECT_TRUE(fs::exists(lock()));
    EXPECT_FALSE(sheet::otherEditor(book()));
    second.release();
    EXPECT_FALSE(fs::exists(lock()));
}

TEST_F(LockFiles, ALockFileAnotherProcessHoldsIsNeverTouched)
{
    const std::string theirs = "张三,zhang,pc-12,09.12.2026 14:05,file:///home/zhang;";
    std::ofstream(lock()) << theirs;
    {
        OtherProcess other([&] { sheet::holdLock(lock()); });
        // Whatever its content says, a held lock file is somebody's; we neither write nor remove it.
        sheet::EditLock mine(book());
        EXPECT_FALSE(mine.held());
    }
    EXPECT_EQ(readText(lock()), theirs);
}

TEST_F(LockFiles, ALinkedFileIsClaimedWhereItReallyIs)
{
    fs::create_directories(m_dir / "real");
    std::ofstream(m_dir / "real" / "表.xlsx") << "a workbook";
    fs::create_symlink("real/表.xlsx", m_dir / "link.xlsx");
    {
        sheet::EditLock mine((m_dir / "link.xlsx").string());
        EXPECT_TRUE(mine.held());
        EXPECT_TRUE(fs::exists(m_dir / "real" / ".~lock.表.xlsx#"));
        EXPECT_FALSE(fs::exists(m_dir / ".~lock.link.xlsx#"));
    }
    // LibreOffice opened it by the link: its lock file stands beside the link, and is seen from the real name too.
    std::ofstream(m_dir / ".~lock.link.xlsx#") << ",zhang,pc-12,09.12.2026 14:05,;";
    EXPECT_TRUE(sheet::otherEditor((m_dir / "link.xlsx").string()));
    fs::remove(m_dir / ".~lock.link.xlsx#");
    std::ofstream(m_dir / "real" / ".~lock.表.xlsx#") << ",zhang,pc-12,09.12.2026 14:05,;";
    EXPECT_TRUE(sheet::otherEditor((m_dir / "link.xlsx").string()));
}

} // namespace
