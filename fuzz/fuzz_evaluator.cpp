// Any bytes into the evaluator: it must never crash, and what it writes must be a canonical value.
#include "platform/ScriptEngine.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view piece(reinterpret_cast<const char*>(data), size);
    std::string text = "stale";
    if (!ScriptEngine::Eval(piece, text))
        return 0;
    if (text.empty() || text == "-0")
        std::abort();
    // The text is what "%.15g" makes of its own value: no stray digits, zeros or notation.
    char canonical[64];
    std::snprintf(canonical, sizeof canonical, "%.15g", std::strtod(text.c_str(), nullptr));
    if (text != canonical)
        std::abort();
    // A whole number written without exponent is a piece itself and must give the very same text.
    if (text.find_first_of(".e") == std::string::npos) {
        std::string again;
        if (!ScriptEngine::Eval(text, again) || again != text)
            std::abort();
    }
    return 0;
}
