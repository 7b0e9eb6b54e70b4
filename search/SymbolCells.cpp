#include "search/SymbolCells.h"

#include <cmath>

namespace artikel {

std::string DefaultSymbolText()
{
    static const unsigned char head[] = {0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x91, 0x92, 0x93, 0x94, 0x95,
                                         0x96, 0x97, 0x98, 0x99, 0x9B, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9,
                                         0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6,
                                         0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xD7, 0xD8, 0xF8, 0xF7};
    static const unsigned char tail[] = {0x8D, 0xBC, 0xBD, 0xBE, 0xB2, 0xB3, 0xB0, 0xD8};
    std::string text(reinterpret_cast<const char*>(head), sizeof head);
    text += "(m\xB2)(m\xB3)";
    text.append(reinterpret_cast<const char*>(tail), sizeof tail);
    return text;
}

std::vector<std::string> SymbolCells(std::string_view text)
{
    std::vector<std::string> cells;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '(') {
            const size_t close = text.find(')', i + 1);
            if (close != std::string_view::npos) {
                if (close > i + 1)
                    cells.emplace_back(text.substr(i + 1, close - i - 1));
                i = close + 1;
                continue;
            }
        }
        cells.emplace_back(1, text[i]);
        ++i;
    }
    return cells;
}

int SymbolColumns(std::string_view text)
{
    return static_cast<int>(std::ceil(std::sqrt(static_cast<double>(text.size()))));
}

} // namespace artikel
