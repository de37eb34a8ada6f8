// The RecipeML reader: decoding, recipes left out, a whole import.
#include "fuzzentries.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    bdtest::importRecipeML(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
