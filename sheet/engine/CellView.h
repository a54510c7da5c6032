#pragma once

#include <cstdint>
#include <string_view>

namespace sheet {

/// What a cell of a worksheet holds. Dates are numbers with a date meaning (serial days since 1899-12-30).
enum class CellKind : std::uint8_t { Empty, Number, Text, Boolean, Date, Error };

/// Error values a cell can hold, numbered as spreadsheet applications number them.
enum class CellError : std::int32_t {
    Null = 2000,  // #NULL!
    Div0 = 2007,  // #DIV/0!
    Value = 2015, // #VALUE!
    Ref = 2023,   // #REF!
    Name = 2029,  // #NAME?
    Num = 2036,   // #NUM!
    NA = 2042,    // #N/A
};

/// A cell's value passed in and out of the engine. `text` is a view: values read from a Grid stay valid only until
/// the next change of that Grid.
struct CellView {
    CellKind kind = CellKind::Empty;
    double number = 0;          // Number, Date; Boolean as 0 or 1
    std::int32_t error = 0;     // Error: a CellError code
    std::string_view text = {}; // Text (UTF-8)

    static CellView makeNumber(double v) { return {CellKind::Number, v, 0, {}}; }
    static CellView makeText(std::string_view t) { return {CellKind::Text, 0, 0, t}; }
    static CellView makeBoolean(bool b) { return {CellKind::Boolean, b ? 1.0 : 0.0, 0, {}}; }
    static CellView makeDate(double serial) { return {CellKind::Date, serial, 0, {}}; }
    static CellView makeError(std::int32_t code) { return {CellKind::Error, 0, code, {}}; }

    bool isEmpty() const { return kind == CellKind::Empty; }
    bool operator==(const CellView&) const = default;
};

} // namespace sheet
