#include "platform/ScriptEngine.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace ScriptEngine {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the digit run at p (p points at a digit) as a correctly rounded double.
// Fails when the number does not fit a double.
bool ReadNumber(const char*& p, const char* end, double& value)
{
    while (p != end && *p == '0')
        ++p;
    const char* first = p;
    // Up to 19 digits fit a uint64_t exactly; its conversion rounds once, like from_chars would.
    std::uint64_t n = 0;
    while (p != end && IsDigit(*p) && p - first < 19) {
        n = n * 10 + static_cast<std::uint64_t>(*p - '0');
        ++p;
    }
    if (p == end || !IsDigit(*p)) {
        value = static_cast<double>(n);
        return true;
    }
    while (p != end && IsDigit(*p))
        ++p;
    const auto result = std::from_chars(first, p, value);
    return result.ec == std::errc() && std::isfinite(value);
}

// The 15-digit rounding in "%.15g" layout, without the locale.
void WriteValue(double value, std::string& text)
{
    char buf[32];
    // A whole number below 1e15 is its own rounding: the integer conversion is several times
    // faster, and writes -0 as "0" where printf would write "-0".
    const auto result = std::fabs(value) < 1e15 && value == std::trunc(value)
                            ? std::to_chars(buf, buf + sizeof buf, static_cast<std::int64_t>(value))
                            : std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    text.assign(buf, result.ptr);
}

} // namespace

bool Eval(std::string_view piece, std::string& text)
{
    const char* p = piece.data();
    const char* const end = p + piece.size();
    // sum holds the finished terms, term the product or quotient being built; adding the terms
    // one by one from the left gives the same result as grouping "+" and "-" from the left.
    double sum = 0;
    double term = 0;
    char op = '+'; // the operator in front of the number being read
    for (;;) {
        bool negative = false;
        while (p != end && (*p == '+' || *p == '-')) {
            negative ^= *p == '-';
            ++p;
        }
        // Here a number must follow: this rejects a trailing operator or sign, a leading "*" or "/",
        // "*" or "/" after another operator, and any foreign byte.
        if (p == end || !IsDigit(*p))
            return false;
        double number;
        if (!ReadNumber(p, end, number))
            return false;
        if (negative)
            number = -number;
        switch (op) {
        case '+': sum += term; term = number; break;
        case '-': sum += term; term = -number; break;
        case '*': term *= number; break;
        default:
            if (number == 0)
                return false;
            term /= number;
            break;
        }
        if (p == end)
            break;
        op = *p++;
        if (op != '+' && op != '-' && op != '*' && op != '/')
            return false;
    }
    const double value = sum + term;
    if (!std::isfinite(value))
        return false;
    WriteValue(value, text);
    return true;
}

} // namespace ScriptEngine
