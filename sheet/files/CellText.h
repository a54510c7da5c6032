#pragma once

#include "sheet/engine/CellView.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sheet {

/// A field of a text file as the value it was written from, so that opening and saving again changes nothing:
/// a number only where its value is the field's exactly (no leading zeros as in "00123", no more digits than a
/// number keeps, as in an 18-digit ID; "1.50", "+7", "1e3" are numbers), TRUE and FALSE, an error value ("#N/A"),
/// or a date or time exactly in the form formatDate writes ("2024-01-05", "2024-01-05 13:20:01.5", "13:20:01"; not
/// "2024-1-5", "13:20:01.50" or "1899-12-30", which formatDate writes as 00:00:00). Nothing for any other field: it
/// is text. O(length of the field).
std::optional<CellView> valueOfField(std::string_view field);

/// The shortest text that reads back as exactly `value`.
std::string formatNumber(double value);

/// A date serial (days since 1899-12-30) as the text valueOfField reads back as the same serial:
/// - from 1899-12-31 on (serial 1), "yyyy-mm-dd", with " hh:mm:ss" when it has a time of day;
/// - before (serial 0 up to 1), the time of day alone, "hh:mm:ss": times alone are serials of that day;
/// - a fraction of a second with the fewest digits after a point, nine at most, that read back as exactly the same
///   serial: "13:20:01.5".
/// What comes back bit-exact: every serial from 1900-03-04 (serial 64) on, whatever its bits; before it, every serial
/// a date text reads as, which is day + units / (86,400 × 10^digits) for up to nine digits of a second (whole
/// seconds as day + s / 86,400, as typed times are; milliseconds as day + ms / 86,400,000). Any other serial before
/// 1900-03-04, a time alone above all (computed, such as 0.55556712962963), comes back to within a nanosecond. Empty
/// for a serial before 1899-12-30 (its time of day counts backwards) or after 9999-12-31, or not finite. O(1).
std::string formatDate(double serial);

} // namespace sheet
