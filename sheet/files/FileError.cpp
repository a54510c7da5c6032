#include "FileError.h"

namespace sheet {

FileError fileError(const std::string& path, const std::string& what)
{
    return FileError("文件“" + path + "”: " + what);
}

} // namespace sheet
