#include "ColumnLetters.h"

#include <algorithm>

namespace sheet {

std::string columnLetters(std::int32_t column)
{
    std::string letters;
    for (; column > 0; column = (column - 1) / 26)
        letters += static_cast<char>('A' + (column - 1) % 26);
    std::reverse(letters.begin(), letters.end());
    return letters;
}

} // namespace sheet
