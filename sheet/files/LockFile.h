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
/// it, or beside the file its symbolic links lead to) that this process does not hold and that no killed instance
/// of this program left behind, an owner file of Microsoft Office ("~$NAME"), or a record lock on the file itself.
/// Nothing when nobody else edits it. A few system calls; never throws.
std::optional<Editor> otherEditor(const std::string& path);

/// This program's claim on a file while a workbook of it is open: a lock file of LibreOffice's kind beside the file
/// a save writes (through symbolic links), so that LibreOffice and other instances of this program see the file
/// taken, held locked so that one left by a killed process is known to be stale. Claims on one file within this
/// process share one lock file, which goes when the last of them is released. No claim is made, and nothing
/// touched, where another program holds the file, another process holds the lock file, or it cannot be written;
/// a lock file this process could not write whole is removed again. Never throws.
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
    bool held() const { return !m_lockFile.empty(); }
    void release();

private:
    std::string m_lockFile; // empty when no claim is made
};

/// The lock file of LibreOffice's kind for `path`: ".~lock.NAME#" in its folder, `path` taken as it stands.
std::string lockFileFor(const std::string& path);

} // namespace sheet
