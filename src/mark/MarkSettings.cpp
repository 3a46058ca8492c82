#include "MarkSettings.h"

namespace imprimata {

int rasterOpRow(std::uint32_t code) {
    for (std::size_t row = 0; row < RasterOpTable.size(); ++row)
        if (RasterOpTable[row].code == code)
            return static_cast<int>(row);
    return -1;
}

} // namespace imprimata
