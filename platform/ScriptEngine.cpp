#include "platform/ScriptEngine.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
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

constexpr char kDigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                               "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                               "8081828384858687888990919293949596979899";

// Writes the digits of n from the end of a buffer backwards; returns the first one.
// Two digits a step, on 32-bit halves: the digits of a 15-digit quotient are most of the work.
char* WriteDigits(std::uint64_t n, char* end)
{
    while (n >= 100000000) {
        auto low = static_cast<std::uint32_t>(n % 100000000);
        n /= 100000000;
        for (int i = 0; i < 4; ++i) {
            end -= 2;
            std::memcpy(end, kDigitPairs + 2 * (low % 100), 2);
            low /= 100;
        }
    }
    auto m = static_cast<std::uint32_t>(n);
    while (m >= 100) {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * (m % 100), 2);
        m /= 100;
    }
    if (m >= 10) {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * m, 2);
    } else {
        *--end = static_cast<char>('0' + m);
    }
    return end;
}

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                             1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};

// Rounds a value that is not whole to 15 significant digits and writes it in fixed notation.
// Returns false when the value needs the exponent notation or sits on an edge of the range;
// the caller then takes the general path.
bool WriteFixed(double value, std::string& text)
{
    const double a = std::fabs(value);
    // Decimal exponent x of a (a first guess, off by one at worst next to a power of ten).
    int x = 14;
    while (x >= 0 && a < kPow10[x])
        --x;
    while (x < 0 && x > -5 && a * kPow10[-x] < 1)
        --x;
    if (x < -4)
        return false;
    // s = a * 10^(14 - x) must lie in [1e14, 1e15): its whole part holds the 15 digits.
    double s = a * kPow10[14 - x];
    if (s >= 1e15) {
        if (x == 14)
            return false;
        ++x;
    } else if (s < 1e14) {
        if (x == -4)
            return false;
        --x;
    }
    const double scale = kPow10[14 - x];
    s = a * scale;
    if (s < 1e14 || s >= 1e15)
        return false;
    // The scale is exact, so fma gives the exact rounding error of the product, and the sign of
    // (fraction - 0.5) + error decides the rounding of the exact value.
    const double err = std::fma(a, scale, -s);
    const double whole = std::floor(s);
    const double d = (s - whole - 0.5) + err;
    auto digits = static_cast<std::uint64_t>(whole);
    if (d > 0 || (d == 0 && (digits & 1) != 0)) // exact ties go to even, as in printf
        ++digits;
    if (digits >= 1000000000000000ULL) { // rounded up to the next power of ten
        if (x == 14)
            return false;
        digits = 100000000000000ULL;
        ++x;
    }
    char buf[32];
    char* const last = buf + sizeof buf;
    char* first = WriteDigits(digits, last); // always 15 digits
    char* end = last;
    if (x >= 0) {
        char* const point = first + x + 1;
        while (end > point && end[-1] == '0')
            --end;
        if (end > point) {
            std::memmove(first - 1, first, static_cast<std::size_t>(point - first));
            --first;
            point[-1] = '.';
        }
    } else {
        while (end[-1] == '0')
            --end;
        for (int i = x + 1; i < 0; ++i)
            *--first = '0';
        *--first = '.';
        *--first = '0';
    }
    if (value < 0)
        *--first = '-';
    text.assign(first, end);
    return true;
}

void WriteValue(double value, std::string& text)
{
    if (value == 0) { // also -0
        text.assign(1, '0');
        return;
    }
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        // A whole number below 1e15 is its own 15-digit rounding.
        char buf[24];
        char* first = WriteDigits(static_cast<std::uint64_t>(std::fabs(value)), buf + sizeof buf);
        if (value < 0)
            *--first = '-';
        text.assign(first, buf + sizeof buf);
        return;
    }
    if (WriteFixed(value, text))
        return;
    // Same text as "%.15g", without the locale and several times faster.
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
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
