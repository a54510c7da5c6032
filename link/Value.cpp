#include "cellvalues/Calendar.h"
#include "cellvalues/ValueText.h"
#include "link/Automation.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace automation {

namespace {

std::string formatDouble(double d)
{
    // Fifteen significant digits, as the runtime prints a double.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15G", d);
    return buffer;
}

std::string formatDate(double serial)
{
    const auto t = cellvalues::civilFromSerial(serial);
    if (!t)
        throw errors::overflow();
    char buffer[64];
    if (t->hour == 0 && t->minute == 0 && t->second == 0)
        std::snprintf(buffer, sizeof buffer, "%lld/%u/%u", t->year, t->month, t->day);
    else
        std::snprintf(buffer, sizeof buffer, "%lld/%u/%u %u:%02u:%02u", t->year, t->month, t->day, t->hour, t->minute,
                      t->second);
    return buffer;
}

} // namespace

const Object& Value::object() const
{
    if (const auto* o = std::get_if<Object>(&m_v))
        return *o;
    throw errors::typeMismatch();
}

double Value::number() const
{
    if (const auto* d = std::get_if<double>(&m_v))
        return *d;
    throw errors::typeMismatch();
}

const std::string& Value::text() const
{
    if (const auto* s = std::get_if<std::string>(&m_v))
        return *s;
    throw errors::typeMismatch();
}

bool Value::boolean() const
{
    if (const auto* b = std::get_if<bool>(&m_v))
        return *b;
    throw errors::typeMismatch();
}

Date Value::date() const
{
    if (const auto* d = std::get_if<Date>(&m_v))
        return *d;
    throw errors::typeMismatch();
}

std::int32_t Value::errorCode() const
{
    if (const auto* e = std::get_if<ErrorValue>(&m_v))
        return e->code;
    throw errors::typeMismatch();
}

const Object& Value::toObject() const
{
    if (const auto* o = std::get_if<Object>(&m_v))
        return *o;
    throw errors::objectRequired();
}

std::string Value::toText() const
{
    switch (kind()) {
    case Kind::Empty:
        return {};
    case Kind::Null:
        throw errors::invalidUseOfNull();
    case Kind::Object:
        return toObject().get(kDefaultMember).toText();
    case Kind::Double:
        return formatDouble(std::get<double>(m_v));
    case Kind::Int16:
        return std::to_string(std::get<std::int16_t>(m_v));
    case Kind::Int32:
        return std::to_string(std::get<std::int32_t>(m_v));
    case Kind::Text:
        return std::get<std::string>(m_v);
    case Kind::Boolean:
        return std::get<bool>(m_v) ? "True" : "False";
    case Kind::Date:
        return formatDate(std::get<Date>(m_v).serial);
    case Kind::Error:
        return "Error " + std::to_string(std::get<ErrorValue>(m_v).code);
    }
    throw errors::typeMismatch();
}

double Value::toDouble() const
{
    switch (kind()) {
    case Kind::Empty:
        return 0;
    case Kind::Double:
        return std::get<double>(m_v);
    case Kind::Int16:
        return std::get<std::int16_t>(m_v);
    case Kind::Int32:
        return std::get<std::int32_t>(m_v);
    case Kind::Boolean:
        return std::get<bool>(m_v) ? -1 : 0;
    case Kind::Date:
        return std::get<Date>(m_v).serial;
    case Kind::Object:
        return toObject().get(kDefaultMember).toDouble();
    case Kind::Text: {
        double d = 0;
        switch (cellvalues::readNumber(std::get<std::string>(m_v), d)) {
        case cellvalues::NumberText::Number:
            return d;
        case cellvalues::NumberText::OutOfRange:
            throw errors::overflow();
        case cellvalues::NumberText::NotANumber:
            throw errors::typeMismatch();
        }
        throw errors::typeMismatch();
    }
    case Kind::Null:
        throw errors::invalidUseOfNull();
    case Kind::Error:
        break;
    }
    throw errors::typeMismatch();
}

std::int32_t Value::toInt32() const
{
    switch (kind()) {
    case Kind::Int16:
        return std::get<std::int16_t>(m_v);
    case Kind::Int32:
        return std::get<std::int32_t>(m_v);
    default:
        break;
    }
    const double d = toDouble();
    // nearbyint rounds in the default mode, to nearest with halves to even.
    const double r = std::nearbyint(d);
    if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max()))
        throw errors::overflow();
    return static_cast<std::int32_t>(r);
}

bool Value::toBoolean() const
{
    if (kind() == Kind::Boolean)
        return std::get<bool>(m_v);
    if (kind() == Kind::Text) {
        const std::string& s = std::get<std::string>(m_v);
        if (s == "True" || s == "true" || s == "TRUE")
            return true;
        if (s == "False" || s == "false" || s == "FALSE")
            return false;
    }
    return toDouble() != 0;
}

bool Value::equalsText(std::string_view text) const
{
    switch (kind()) {
    case Kind::Empty:
        return text.empty();
    case Kind::Null:
        return false;
    case Kind::Text:
        return std::get<std::string>(m_v) == text;
    case Kind::Error:
        throw errors::typeMismatch();
    case Kind::Object:
        return toObject().get(kDefaultMember).equalsText(text);
    default:
        // Numbers, truth values and dates never print as an empty text; skipping the formatting keeps the
        // blank-cell test cheap.
        return !text.empty() && toText() == text;
    }
}

} // namespace automation
