// The book loader and everything that reads a loaded book.
#include "fuzzentries.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    bdtest::readBook(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
