#include "engines/core/CrcTables.h"

namespace quiro::engines {

uint16_t Crc16Of(const uint8_t* data, size_t len, uint16_t crc)
{
    for (size_t i = 0; i < len; ++i)
        crc = Crc16Update(crc, data[i]);
    return crc;
}

uint32_t Crc32Of(const uint8_t* data, size_t len)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < len; ++i)
        crc = Crc32Update(crc, data[i]);
    return ~crc;
}

}  // namespace quiro::engines
