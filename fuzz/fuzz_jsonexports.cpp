// The readers of programs that keep recipes as JSON: alone, gzip-compressed
// or zipped, with pictures as base64 text or archive entries.
#include "fuzzentries.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    bdtest::importJsonExports(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
