// The readers of other programs' exports: JSON, XML, pages, tables and text,
// alone, gzip-compressed or zipped, with pictures as base64 text or entries.
#include "fuzzentries.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    bdtest::importOtherPrograms(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
