#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sheet {

/// Someone who has a file open for editing, as the lock files of office programs tell it.
struct Editor {
    std::string who;   // the program and whom its lock file names: "LibreOffice: 张三 (zhang@pc-12)"
    std::string since; // as the lock file gives it, e.g. "09.12.2026 14:05"; may be empty
};

/// Another program's claim on the file at `path` (UTF-8): a lock file of LibreOffice's kind (".~lock.NAME#" beside
/// it) that this process does not hold and that no killed instance of this program left behind, an owner file of
/// Microsoft Office ("~$NAME"), or a record lock on the file itself. Nothing when nobody else edits it.
/// A few system calls; never throws.
std::optional<Editor> otherEditor(const std::string& path);

/// This program's claim on a file while a workbook of it is open: a lock file of LibreOffice's kind, so that
/// LibreOffice and other instances of this program see the file taken, held locked so that one left by a killed
/// process is known to be stale. The lock file goes on destruction or release(). Where it cannot be written (a
/// folder this process may not write, a lock file of someone else already there) no claim is made, silently.
class EditLock {
public:
    EditLock() = default;
    explicit EditLock(const std::string& path);
    ~EditLock();
    EditLock(EditLock&& other) noexcept;
    EditLock& operator=(EditLock&& other) noexcept;
    EditLock(const EditLock&) = delete;
    EditLock& operator=(const EditLock&) = delete;

    /// Whether the claim is made.
    bool held() const { return m_handle != -1; }
    void release();

private:
    std::string m_lockFile;
    std::intptr_t m_handle = -1;
};

/// The lock file of LibreOffice's kind for `path`: ".~lock.NAME#" in its folder.
std::string lockFileFor(const std::string& path);

} // namespace sheet
