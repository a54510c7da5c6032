#pragma once

#include "sheet/engine/Book.h"

#include <optional>
#include <string>
#include <string_view>

namespace sheet {

/// GB18030 text (the Chinese national encoding, a superset of GBK and GB2312) as UTF-8, or nothing when the bytes
/// are not valid GB18030. One implementation per platform. O(n).
std::optional<std::string> gb18030ToUtf8(std::string_view bytes);

/// As gb18030ToUtf8, and also the GBK text Chinese Windows writes (code page 936), whose byte 0x80 on its own is €:
/// GB18030 has no such byte. O(n).
std::optional<std::string> chineseToUtf8(std::string_view bytes);

/// Windows-1252 text as UTF-8. Every byte is a character: the five bytes the code page leaves undefined become the
/// control characters of the same number, as Windows reads them. O(n); never fails.
std::string windows1252ToUtf8(std::string_view bytes);

/// UTF-16 or UTF-32 text (no byte-order mark) as UTF-8, or nothing when it is malformed: a length that is no
/// multiple of the unit, a surrogate without its pair, a code beyond U+10FFFF. O(n).
std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian);
std::optional<std::string> utf32ToUtf8(std::string_view bytes, bool bigEndian);

/// UTF-8 text with the bytes that are not UTF-8 read as Windows-1252, each its own character; `strayBytes` tells
/// how many there were. O(n); never fails.
std::string utf8WithStrayBytesToUtf8(std::string_view bytes, std::size_t& strayBytes);

/// The likeliest reading of `bytes`, which carry no byte-order mark and are not valid UTF-8: UTF-16 without its
/// mark; UTF-8 with a few stray bytes (strayBytes > 0); GB18030; or Windows-1252. The readings that decode are
/// scored by how plausible their characters are in a table a person wrote: the common Chinese characters of
/// GB2312 and Chinese punctuation count for GB18030, rare ones, private-use codes and a Latin byte swallowed
/// into a Chinese character against it; accented letters inside Latin words count for Windows-1252, runs of
/// accented letters and undefined bytes against it; every well-formed UTF-8 character counts for UTF-8, the stray
/// bytes as Windows-1252 would score them. Ties go to GB18030. O(n), no allocation.
TextReading guessEncoding(std::string_view bytes);

/// The text of a file's `bytes` as UTF-8, read in `encoding`, and how it was read (TextReading::guessed for Auto
/// unless a byte-order mark or valid UTF-8 settled it). A byte-order mark of the encoding is skipped.
/// Returns a view of `bytes` when they are UTF-8 already, else of `storage`, which receives the converted text.
///
/// Throws FileError naming `name` when the bytes are not valid in the chosen encoding, or in the encoding their
/// byte-order mark names. O(n); memory about the text's own when it must be converted.
std::string_view decodeText(std::string_view bytes, const std::string& name, TextEncoding encoding,
                            std::string& storage, TextReading& reading);

} // namespace sheet
