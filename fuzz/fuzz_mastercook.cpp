// The MasterCook reader: text and XML exports, decoding, recipes left out, a whole import.
#include "fuzzentries.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    bdtest::importMasterCook(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
