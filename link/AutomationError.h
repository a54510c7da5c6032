#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace automation {

/// A failed automation call: the number and description that the caller shows to the user.
/// Thrown by every late-bound call; caught where the program decides what the user sees.
class AutomationError : public std::exception {
public:
    AutomationError(std::int32_t number, std::string description)
        : m_number(number), m_description(std::move(description))
    {}

    std::int32_t number() const noexcept { return m_number; }
    const std::string& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_description.c_str(); }

private:
    std::int32_t m_number;
    std::string m_description;
};

/// The run-time errors a late-bound caller meets, numbered and worded as the automation runtime words them.
namespace errors {
constexpr std::int32_t kOverflow = 6;
constexpr std::int32_t kSubscriptOutOfRange = 9;
constexpr std::int32_t kTypeMismatch = 13;
constexpr std::int32_t kObjectNotSet = 91;
constexpr std::int32_t kInvalidUseOfNull = 94;
constexpr std::int32_t kObjectRequired = 424;
constexpr std::int32_t kCannotCreateObject = 429;
constexpr std::int32_t kMemberNotFound = 438;
constexpr std::int32_t kArgumentNotOptional = 449;
constexpr std::int32_t kWrongArguments = 450;
constexpr std::int32_t kApplicationDefined = 1004;
constexpr std::int32_t kDisconnected = -2147417848; // 0x80010108

AutomationError overflow();
AutomationError subscriptOutOfRange();
AutomationError typeMismatch();
AutomationError objectNotSet();
AutomationError invalidUseOfNull();
AutomationError objectRequired();
AutomationError cannotCreateObject();
/// The object has no member of that name, or not of that kind (e.g. a put on a read-only property).
AutomationError memberNotFound(std::string_view member);
AutomationError argumentNotOptional();
AutomationError wrongArguments();
/// The server is gone: the application was quit or closed by the user.
AutomationError disconnected();
} // namespace errors

} // namespace automation
