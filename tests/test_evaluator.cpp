#include "platform/ScriptEngine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace {

std::optional<std::string> Eval(std::string_view piece)
{
    std::string text;
    if (!ScriptEngine::Eval(piece, text))
        return std::nullopt;
    return text;
}

// ---------------------------------------------------------------------------------------------
// A second evaluator for the property test: exact fractions and a recursive-descent parser,
// sharing nothing with the engine. Its text is the exact value rounded to 15 significant digits
// (exact ties to even, as printf rounds a double that sits on a tie), in "%.15g" layout.

__extension__ typedef __int128 Int;

Int Gcd(Int a, Int b)
{
    if (a < 0)
        a = -a;
    if (b < 0)
        b = -b;
    while (b != 0) {
        const Int t = a % b;
        a = b;
        b = t;
    }
    return a;
}

struct Fraction {
    Int num = 0;
    Int den = 1; // always > 0, and gcd(num, den) == 1
};

struct Overflow {};

Int Mul(Int a, Int b)
{
    Int r;
    if (__builtin_mul_overflow(a, b, &r))
        throw Overflow{};
    return r;
}

Int Add(Int a, Int b)
{
    Int r;
    if (__builtin_add_overflow(a, b, &r))
        throw Overflow{};
    return r;
}

Fraction Make(Int num, Int den)
{
    if (den < 0) {
        num = -num;
        den = -den;
    }
    const Int g = Gcd(num, den);
    if (g > 1) {
        num /= g;
        den /= g;
    }
    return {num, den};
}

Fraction operator+(Fraction a, Fraction b) { return Make(Add(Mul(a.num, b.den), Mul(b.num, a.den)), Mul(a.den, b.den)); }
Fraction operator-(Fraction a) { return {-a.num, a.den}; }
Fraction operator*(Fraction a, Fraction b) { return Make(Mul(a.num, b.num), Mul(a.den, b.den)); }

Fraction Abs(Fraction a) { return {a.num < 0 ? -a.num : a.num, a.den}; }

struct ReferenceValue {
    Fraction value;
    Fraction magnitude; // the sum of the terms' absolute values: the scale of the rounding errors
    int operations = 0; // binary operators
};

class Reference {
public:
    explicit Reference(std::string_view s) : s_(s) {}

    // nullopt for a text that is not an expression or divides by zero.
    std::optional<ReferenceValue> Value()
    {
        std::optional<Fraction> term = Product();
        if (!term)
            return std::nullopt;
        ReferenceValue r{*term, Abs(*term), 0};
        while (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) {
            const char op = s_[pos_++];
            ++r.operations;
            term = Product();
            if (!term)
                return std::nullopt;
            r.value = op == '+' ? r.value + *term : r.value + -*term;
            r.magnitude = r.magnitude + Abs(*term);
        }
        if (pos_ != s_.size())
            return std::nullopt;
        r.operations += products_;
        return r;
    }

private:
    std::optional<Fraction> Product()
    {
        std::optional<Fraction> acc = Signed();
        while (acc && pos_ < s_.size() && (s_[pos_] == '*' || s_[pos_] == '/')) {
            const char op = s_[pos_++];
            ++products_;
            const std::optional<Fraction> rhs = Signed();
            if (!rhs)
                return std::nullopt;
            if (op == '*') {
                acc = *acc * *rhs;
            } else {
                if (rhs->num == 0)
                    return std::nullopt;
                acc = *acc * Make(rhs->den, rhs->num);
            }
        }
        return acc;
    }

    std::optional<Fraction> Signed()
    {
        if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) {
            const bool minus = s_[pos_++] == '-';
            const std::optional<Fraction> v = Signed();
            if (!v || !minus)
                return v;
            return -*v;
        }
        if (pos_ >= s_.size() || s_[pos_] < '0' || s_[pos_] > '9')
            return std::nullopt;
        Int n = 0;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9')
            n = Add(Mul(n, 10), s_[pos_++] - '0');
        return Fraction{n, 1};
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    int products_ = 0;
};

std::string IntText(Int n)
{
    std::string s;
    do {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(n % 10)));
        n /= 10;
    } while (n != 0);
    return s;
}

std::string Text15(Fraction f)
{
    if (f.num == 0)
        return "0";
    const bool negative = f.num < 0;
    const Int num = negative ? -f.num : f.num;
    // Significant digits by long division, x = decimal exponent of the first one.
    std::string whole = IntText(num / f.den);
    Int rem = num % f.den;
    std::string digits;
    int x;
    if (whole != "0") {
        x = static_cast<int>(whole.size()) - 1;
        digits = whole;
    } else {
        x = -1;
        while (rem * 10 < f.den) {
            rem *= 10;
            --x;
        }
    }
    while (digits.size() < 16) {
        rem *= 10;
        digits += static_cast<char>('0' + static_cast<int>(rem / f.den));
        rem %= f.den;
    }
    bool sticky = rem != 0;
    for (std::size_t i = 16; i < digits.size(); ++i)
        sticky = sticky || digits[i] != '0';
    const char next = digits[15];
    digits.resize(15);
    const bool up = next > '5' || (next == '5' && (sticky || (digits[14] - '0') % 2 == 1));
    if (up) {
        int i = 14;
        while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9')
            digits[static_cast<std::size_t>(i--)] = '0';
        if (i < 0) {
            digits.insert(digits.begin(), '1');
            digits.resize(15);
            ++x;
        } else {
            ++digits[static_cast<std::size_t>(i)];
        }
    }
    std::string out = negative ? "-" : "";
    if (x < -4 || x >= 15) {
        std::string frac = digits.substr(1);
        while (!frac.empty() && frac.back() == '0')
            frac.pop_back();
        out += digits[0];
        if (!frac.empty())
            out += "." + frac;
        const int e = x < 0 ? -x : x;
        out += x < 0 ? "e-" : "e+";
        if (e < 10)
            out += '0';
        out += std::to_string(e);
        return out;
    }
    std::string intPart = x >= 0 ? digits.substr(0, static_cast<std::size_t>(x) + 1) : "0";
    std::string frac = x >= 0 ? digits.substr(static_cast<std::size_t>(x) + 1)
                              : std::string(static_cast<std::size_t>(-x - 1), '0') + digits;
    while (!frac.empty() && frac.back() == '0')
        frac.pop_back();
    out += intPart;
    if (!frac.empty())
        out += "." + frac;
    return out;
}

std::optional<std::string> ReferenceEval(std::string_view piece)
{
    const std::optional<ReferenceValue> v = Reference(piece).Value();
    if (!v)
        return std::nullopt;
    return Text15(v->value);
}

double Parse(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// The engine computes quotients in double precision, so its text is the 15-digit rounding of a
// value a few units in the last place away from the exact one: where a rounding boundary lies
// that close (2/41 is 0.0487804878048780488 exactly, 0.0487804878048780505 as a double), its
// last digit may differ from the exact one. Everything else must agree exactly: failure or not,
// whole-number arithmetic, and the text wherever no boundary is near.
struct Comparison {
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    bool valid = false;
    bool quotient = false;  // the text has a fraction
    bool nearEdge = false;  // accepted within the double-precision band only
};

Comparison Compare(const std::string& piece)
{
    Comparison c;
    std::optional<ReferenceValue> ref;
    try {
        ref = Reference(piece).Value();
    } catch (const Overflow&) {
        c.result = ::testing::AssertionFailure() << "the reference overflowed on " << piece;
        return c;
    }
    const std::optional<std::string> got = Eval(piece);
    if (!ref || !got) {
        if (ref.has_value() != got.has_value())
            c.result = ::testing::AssertionFailure() << piece << ": engine " << (got ? *got : "fails")
                                                     << ", reference " << (ref ? Text15(ref->value) : "fails");
        return c;
    }
    c.valid = true;
    const std::string exact = Text15(ref->value);
    c.quotient = exact.find('.') != std::string::npos;
    if (*got == exact)
        return c;
    c.result = ::testing::AssertionFailure() << piece << ": engine " << *got << ", exactly " << exact;
    if (piece.find('/') == std::string::npos)
        return c; // no division: exact arithmetic, no excuse
    // Bound of the double-precision error: one rounding of 2^-53 per operation, doubled.
    const long double value = static_cast<long double>(ref->value.num) / static_cast<long double>(ref->value.den);
    const long double error = static_cast<long double>(ref->magnitude.num) /
                              static_cast<long double>(ref->magnitude.den) * (ref->operations + 1) * 0x1p-52L;
    char lo[64];
    char hi[64];
    std::snprintf(lo, sizeof lo, "%.15Lg", value - error);
    std::snprintf(hi, sizeof hi, "%.15Lg", value + error);
    char canonical[64];
    std::snprintf(canonical, sizeof canonical, "%.15g", Parse(*got));
    if (*got == canonical && Parse(lo) <= Parse(*got) && Parse(*got) <= Parse(hi)) {
        c.result = ::testing::AssertionSuccess();
        c.nearEdge = true;
    } else {
        c.result << " (band " << lo << " to " << hi << ")";
    }
    return c;
}

// Pieces that look like the runs on a board: mostly numbers, signs and operators in sensible
// places, now and then anything at all, cut to the wanted length.
std::string RandomPiece(std::mt19937& rng, std::size_t length)
{
    static constexpr std::string_view kAlphabet = "0123456789+-*/";
    static constexpr std::string_view kOperators = "+-*/";
    auto pick = [&](std::string_view from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    auto chance = [&](int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; };
    std::string s;
    if (chance(15)) {
        while (s.size() < length)
            s += pick(kAlphabet);
        return s;
    }
    while (s.size() < length) {
        while (chance(20))
            s += pick("+-");
        const int digits = std::uniform_int_distribution<int>(1, chance(20) ? 7 : 3)(rng);
        for (int i = 0; i < digits; ++i)
            s += pick("0123456789");
        if (chance(10))
            s += '0'; // zeros make divisions by zero and leading zeros
        s += chance(3) ? pick(kAlphabet) : pick(kOperators);
    }
    s.resize(length);
    if (chance(50) && kOperators.find(s.back()) != std::string_view::npos)
        s.back() = pick("0123456789"); // keep the invalid trailing operators to a fair share
    return s;
}

// ---------------------------------------------------------------------------------------------

// Pieces and the texts they evaluate to, for the engine and the reference alike.
struct Example {
    std::string_view piece;
    const char* text;
};

const Example kWholeNumbers[] = {
    {"7", "7"}, {"2+3", "5"}, {"007", "7"}, {"00", "0"}, {"+3", "3"}, {"-3", "-3"}, {"--4", "4"}, {"2--3", "5"},
    {"5+-+1", "4"}, {"3*-2", "-6"}, {"-2*3", "-6"}, {"2+3*4", "14"}, {"2*3+4", "10"}, {"2-3-4", "-5"},
    {"3+0", "3"}, {"12", "12"}, {"21", "21"}, {"999999*999999", "999998000001"},
    {"9999999999999", "9999999999999"}, {"-9999999999999", "-9999999999999"}, {"0-0", "0"}, {"-0", "0"},
    {"0*-5", "0"},
};

const Example kQuotients[] = {
    {"10/2", "5"}, {"6/3", "2"}, {"3/2", "1.5"}, {"3/6", "0.5"}, {"8/4/2", "1"}, {"12/-4", "-3"},
    {"1/3", "0.333333333333333"}, {"2/6", "0.333333333333333"}, {"2/3", "0.666666666666667"},
    {"-2/3", "-0.666666666666667"}, {"1/3*3", "1"},
    {"7/10*3", "2.1"}, // its double is not the one of 21/10
    {"21/10", "2.1"}, {"0/-5", "0"}, {"1/8", "0.125"}, {"1/1024", "0.0009765625"}, {"1/10000", "0.0001"},
    {"1/99999", "1.0000100001e-05"}, {"1/9999999999999", "1.0000000000001e-13"},
    {"100000000000/3", "33333333333.3333"}, {"999999999999/7", "142857142857"}, {"1/7*7", "1"},
    // Close to a rounding boundary.
    {"13/19", "0.684210526315789"}, {"10/22", "0.454545454545455"}, {"1/47", "0.0212765957446809"},
    // Sixteen significant digits ending in an exact binary tie: to even, once up and once down.
    {"1234567891/512", "2411265.41210938"}, {"1234567893/512", "2411265.41601562"},
    // Rounding up to the next power of ten, and the exponent notation for large values.
    {"999999999999999/10", "99999999999999.9"}, {"9999999999999995/10", "1e+15"}, {"9999999999999999*9", "9e+16"},
};

const std::string_view kNoExpressions[] = {"", "-", "+", "+-", "5*", "5+", "5-", "5/", "3--", "*5", "/4", "/0", "5*/2",
                                           "5+*2", "5-/2", "5**2", "5//2", "2*+*3", "5 + 2", "1=1", "a", "12x", ".5",
                                           "1.5", "1e3"};

const std::string_view kDivisionsByZero[] = {"1/0", "0/0", "1/-0", "5/000", "2+3/0*4", "1/2/0", "1/0*0"};

TEST(Evaluator, WholeNumbersSignsAndPrecedence)
{
    for (const Example& e : kWholeNumbers)
        EXPECT_EQ(Eval(e.piece), e.text) << e.piece;
}

TEST(Evaluator, DivisionIsRealAndTextsAgreeToFifteenDigits)
{
    for (const Example& e : kQuotients)
        EXPECT_EQ(Eval(e.piece), e.text) << e.piece;
    // The text is the rounding of the double, not of the exact quotient: 2/41 is 0.04878048780487804878
    // exactly but 0.04878048780487805047 as a double.
    EXPECT_EQ(Eval("2/41"), "0.0487804878048781");
}

TEST(Evaluator, TextsThatAreNoExpressionFail)
{
    for (std::string_view piece : kNoExpressions)
        EXPECT_EQ(Eval(piece), std::nullopt) << piece;
    EXPECT_EQ(Eval(std::string_view("1\0" "2", 3)), std::nullopt);
    EXPECT_EQ(Eval(std::string_view("\0", 1)), std::nullopt);
    EXPECT_EQ(Eval(std::string_view()), std::nullopt);
}

TEST(Evaluator, DivisionByZeroFails)
{
    for (std::string_view piece : kDivisionsByZero)
        EXPECT_EQ(Eval(piece), std::nullopt) << piece;
}

TEST(Evaluator, OversizedInputsFailOrStayFinite)
{
    const std::string digits(100000, '9');
    EXPECT_EQ(Eval(digits), std::nullopt);             // inf
    EXPECT_EQ(Eval(digits + "/" + digits), std::nullopt); // inf / inf
    EXPECT_EQ(Eval(std::string(400, '9') + "*0"), std::nullopt);
    EXPECT_EQ(Eval(std::string(100000, '0') + "1"), "1");
    EXPECT_EQ(Eval(std::string("1").append(300, '0')), "1e+300");
    const std::string zeros(200, '0');
    EXPECT_EQ(Eval("1" + zeros + "*1" + zeros), std::nullopt);
    EXPECT_EQ(Eval("1" + zeros + "*-1" + zeros + "+1"), std::nullopt);
    EXPECT_EQ(Eval("1/1" + zeros + "/1" + zeros), "0");
    EXPECT_EQ(Eval("12345678901234567890123"), "1.23456789012346e+22");
    EXPECT_EQ(Eval("99999999999999999999"), "1e+20");
    EXPECT_EQ(Eval("18446744073709551617"), "1.84467440737096e+19"); // just past 64 bits
    std::string chain = "1";
    for (int i = 0; i < 20000; ++i)
        chain += "+-1";
    EXPECT_EQ(Eval(chain), "-19999");
    EXPECT_EQ(Eval(std::string(100000, '-') + "5"), "5");
    EXPECT_EQ(Eval(std::string(100001, '-') + "5"), "-5");
}

TEST(Evaluator, WritesOverWhateverTheTextHeld)
{
    std::string text = "a rather long text that uses the heap";
    ASSERT_TRUE(ScriptEngine::Eval("1/3", text));
    EXPECT_EQ(text, "0.333333333333333");
    ASSERT_TRUE(ScriptEngine::Eval("4", text));
    EXPECT_EQ(text, "4");
}

TEST(Evaluator, ReferenceEvaluatorAgreesOnItsOwnExamples)
{
    // The property test below is only as good as this second evaluator: it gives the engine's
    // examples, failures included, and the exact rounding where the engine's double rounds otherwise.
    for (const Example& e : kWholeNumbers)
        EXPECT_EQ(ReferenceEval(e.piece), e.text) << e.piece;
    for (const Example& e : kQuotients)
        EXPECT_EQ(ReferenceEval(e.piece), e.text) << e.piece;
    EXPECT_EQ(ReferenceEval("2/41"), "0.048780487804878");
    for (std::string_view piece : kNoExpressions)
        EXPECT_EQ(ReferenceEval(piece), std::nullopt) << piece;
    for (std::string_view piece : kDivisionsByZero)
        EXPECT_EQ(ReferenceEval(piece), std::nullopt) << piece;
}

TEST(Evaluator, AgreesWithExactFractionsOnEveryShortPiece)
{
    // Every piece of up to four characters.
    static constexpr std::string_view kAlphabet = "0123456789+-*/";
    int valid = 0;
    int nearEdge = 0;
    std::string piece;
    for (std::size_t length = 1; length <= 4; ++length) {
        std::size_t count = 1;
        for (std::size_t i = 0; i < length; ++i)
            count *= kAlphabet.size();
        for (std::size_t n = 0; n < count; ++n) {
            piece.clear();
            for (std::size_t k = 0, m = n; k < length; ++k, m /= kAlphabet.size())
                piece += kAlphabet[m % kAlphabet.size()];
            const Comparison c = Compare(piece);
            ASSERT_TRUE(c.result);
            valid += c.valid;
            nearEdge += c.nearEdge;
        }
    }
    EXPECT_GT(valid, 10000);
    EXPECT_LT(nearEdge, valid / 100);
}

TEST(Evaluator, AgreesWithExactFractionsOnRandomPiecesUpToThirteenCharacters)
{
    std::mt19937 rng(20240607);
    for (std::size_t length = 1; length <= 13; ++length) {
        int valid = 0;
        int quotients = 0;
        int nearEdge = 0;
        int failures = 0;
        for (int n = 0; n < 20000; ++n) {
            const Comparison c = Compare(RandomPiece(rng, length));
            ASSERT_TRUE(c.result);
            valid += c.valid;
            failures += !c.valid;
            quotients += c.quotient;
            nearEdge += c.nearEdge;
        }
        // The generator must keep both outcomes well represented at every length, and the
        // double-precision excuse must stay rare.
        EXPECT_GT(valid, 4000) << "length " << length;
        EXPECT_GT(failures, length == 1 ? 1000 : 2000) << "length " << length;
        if (length >= 3) {
            EXPECT_GT(quotients, 200) << "length " << length;
        }
        EXPECT_LE(nearEdge, quotients / 10) << "length " << length;
    }
}

} // namespace
