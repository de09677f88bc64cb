// Any text as an effect file: the reader answers with blocks or a reason,
// never a crash or a read past the text.
#include "effects/EffectParser.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string errors;
    if (!checkEffectText(text, "fuzz.fx", errors) && errors.empty())
        __builtin_trap(); // a failure must say why
    return 0;
}
