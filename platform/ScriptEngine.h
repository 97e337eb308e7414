#pragma once
#include <string>
#include <string_view>

// The expression evaluator behind the equation pass. No Qt: plain standard library.
namespace ScriptEngine {
// Evaluates a piece of digits and "+-*/"; on success writes the value's text to `text` and returns true.
// The text is the value rounded to 15 significant digits, written like printf's "%.15g" ("-0" is "0"),
// so two values that agree to 15 significant digits give the same text.
bool Eval(std::string_view piece, std::string& text);
}
