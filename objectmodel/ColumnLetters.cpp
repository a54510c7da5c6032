#include "objectmodel/ColumnLetters.h"

#include <algorithm>

namespace objectmodel {

std::string columnLetters(std::int32_t column)
{
    std::string letters;
    for (; column > 0; column = (column - 1) / 26)
        letters += static_cast<char>('A' + (column - 1) % 26);
    std::reverse(letters.begin(), letters.end());
    return letters;
}

std::int64_t columnNumber(std::string_view letters, std::int64_t saturated)
{
    std::int64_t column = 0;
    for (const char c : letters) {
        const int letter = (c >= 'a' ? c - 'a' : c - 'A') + 1;
        column = std::min<std::int64_t>(column * 26 + letter, saturated);
    }
    return column;
}

} // namespace objectmodel
