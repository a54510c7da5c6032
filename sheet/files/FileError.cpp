#include "sheet/files/FileError.h"

namespace sheet {

FileError fileError(const std::string& path, const std::string& what)
{
    return FileError("文件“" + path + "”: " + what);
}

std::string systemErrorText(const std::error_code& error)
{
    using std::errc;
    // Compared as conditions, so that the same words come for the codes of every platform.
    static const struct {
        errc condition;
        const char* text;
    } known[] = {
        {errc::permission_denied, "没有权限"},
        {errc::operation_not_permitted, "不允许此操作(没有权限)"},
        {errc::no_space_on_device, "磁盘空间不足"},
        {errc::read_only_file_system, "所在的磁盘或文件系统是只读的"},
        {errc::no_such_file_or_directory, "文件或文件夹不存在"},
        {errc::not_a_directory, "路径中的某一部分不是文件夹"},
        {errc::is_a_directory, "这是一个文件夹"},
        {errc::file_exists, "文件已存在"},
        {errc::filename_too_long, "文件名太长"},
        {errc::device_or_resource_busy, "文件正被其他程序使用"},
        {errc::text_file_busy, "文件正被其他程序使用"},
        {errc::io_error, "读写磁盘时出错"},
        {errc::too_many_files_open, "同时打开的文件太多"},
        {errc::too_many_files_open_in_system, "系统中打开的文件太多"},
        {errc::cross_device_link, "不能跨磁盘移动文件"},
        {errc::not_enough_memory, "内存不足"},
        {errc::file_too_large, "文件太大"},
        {errc::too_many_symbolic_link_levels, "符号链接层数太多(可能是循环链接)"},
        {errc::invalid_argument, "文件名或参数无效"},
    };
    for (const auto& k : known)
        if (error == k.condition)
            return k.text;
    return "系统错误 " + std::to_string(error.value()) + " (" + error.message() + ")";
}

} // namespace sheet
