#include "link/AutomationError.h"

namespace automation::errors {

AutomationError overflow()
{
    return {kOverflow, "溢出"};
}
AutomationError subscriptOutOfRange()
{
    return {kSubscriptOutOfRange, "下标越界"};
}
AutomationError typeMismatch()
{
    return {kTypeMismatch, "类型不匹配"};
}
AutomationError objectNotSet()
{
    return {kObjectNotSet, "对象变量或 With 块变量未设置"};
}
AutomationError invalidUseOfNull()
{
    return {kInvalidUseOfNull, "无效使用 Null"};
}
AutomationError objectRequired()
{
    return {kObjectRequired, "要求对象"};
}
AutomationError cannotCreateObject()
{
    return {kCannotCreateObject, "ActiveX 部件不能创建对象"};
}

AutomationError memberNotFound(std::string_view member)
{
    return {kMemberNotFound, "对象不支持该属性或方法: " + std::string(member)};
}

AutomationError argumentNotOptional()
{
    return {kArgumentNotOptional, "参数不可选"};
}
AutomationError wrongArguments()
{
    return {kWrongArguments, "参数个数错误或无效的属性赋值"};
}
AutomationError disconnected()
{
    return {kDisconnected, "被调用的对象已与其客户端断开连接。"};
}

} // namespace automation::errors
