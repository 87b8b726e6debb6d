#include "plugin/ParameterText.h"

#include "plugin/Parameters.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

constexpr int32_t kDisplayLength = 8; // characters of a VST 2.4 display
constexpr int kNudgeSteps = 64;       // floats tried on each side of a typed number

// strncpy's padding, and a NUL at position maxLen.
void copyPadded(char* text, const char* from, int32_t maxLen)
{
    std::strncpy(text, from, static_cast<size_t>(maxLen));
    text[maxLen] = 0;
}

bool isSwitch(int32_t index)
{
    return kParameterInfo[index].kind == ParameterKind::Switch;
}

bool onlyBlanksIn(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    return *text == '\0';
}

// A number and nothing else (surrounding blanks allowed); false otherwise.
bool parseNumber(const char* text, double& number)
{
    char* end = nullptr;
    number = std::strtod(text, &end);
    return end != text && onlyBlanksIn(end) && std::isfinite(number);
}

// The display of a value from 0 to 1 in millionths: its six fraction digits.
long long displayedMillionths(double value)
{
    char shown[kDisplayLength + 1];
    formatDisplayValue(value, shown, kDisplayLength);
    return std::llround(std::strtod(shown, nullptr) * 1e6);
}

// The float nearest to a typed number from 0 to 1 whose display shows the
// number's first six decimals. The display truncates, so the nearest float
// may show one millionth less (0.7 is 0.699999988 and shows 0.699999).
float knobValueFor(double number)
{
    // Typed decimals are not exact in binary (0.254999 is 0.25499899...):
    // a hair's allowance keeps their last digit.
    const long long wanted = static_cast<long long>(std::floor(number * 1e6 + 1e-7));
    float value = static_cast<float>(number);
    for (int step = 0; step < kNudgeSteps; ++step) {
        const long long shown = displayedMillionths(value);
        if (shown == wanted)
            return value;
        value = std::nextafter(value, shown < wanted ? 2.0f : -1.0f);
    }
    return static_cast<float>(number);
}

} // namespace

void formatDisplayValue(double value, char* text, int32_t maxLen)
{
    if (maxLen < 0)
        maxLen = 0;
    double v = value;
    const bool negative = v < 0;
    if (negative)
        v = -v;
    if (std::isnan(v)) {
        copyPadded(text, "NaN", maxLen);
        return;
    }
    if (v > 9999999.) {
        copyPadded(text, negative ? "-Huge!" : "Huge!", maxLen);
        return;
    }

    char out[32];
    int c = 0;
    // Integer digits are produced least significant first.
    char digits[16];
    int nd = 0;
    double integer = std::floor(v);
    do {
        digits[nd++] = static_cast<char>('0' + static_cast<int>(std::fmod(integer, 10.)));
        integer = std::floor(integer / 10.);
    } while (integer >= 1. && nd < 8);

    if (negative)
        out[c++] = '-';
    while (nd > 0)
        out[c++] = digits[--nd];
    out[c++] = '.';

    if (c < kDisplayLength) {
        const int fraction = kDisplayLength - c;
        double mantissa = std::fmod(v, 1.) * std::pow(10., fraction);
        char fd[kDisplayLength];
        for (int i = fraction - 1; i >= 0; --i) {
            if (mantissa <= 0) {
                fd[i] = '0';
            } else {
                fd[i] = static_cast<char>('0' + static_cast<int>(std::fmod(mantissa, 10.)));
                mantissa /= 10.;
            }
        }
        for (int i = 0; i < fraction; ++i)
            out[c++] = fd[i];
    }
    out[c] = 0;
    copyPadded(text, out, maxLen);
}

bool parameterText(int32_t index, float value, char* text, size_t size)
{
    if (index < 0 || index >= kNumParams || !text || size == 0)
        return false;
    char shown[kDisplayLength + 1];
    const char* from = shown;
    if (isSwitch(index))
        from = kParameterInfo[index].positionNames[switchPosition(index, value)];
    else
        formatDisplayValue(value, shown, kDisplayLength);
    const size_t n = std::min(std::strlen(from), size - 1);
    std::memcpy(text, from, n);
    text[n] = 0;
    return true;
}

bool parameterFromText(int32_t index, const char* text, float& value)
{
    if (index < 0 || index >= kNumParams || !text)
        return false;
    while (*text == ' ' || *text == '\t')
        ++text;
    double number = 0;
    if (isSwitch(index)) {
        for (int position = 0; position < kSwitchPositions; ++position) {
            const char* name = kParameterInfo[index].positionNames[position];
            const size_t n = std::strlen(name);
            if (strncasecmp(text, name, n) == 0 && onlyBlanksIn(text + n)) {
                value = switchPositionValue(position);
                return true;
            }
        }
        if (!parseNumber(text, number) || number != std::floor(number) || number < 0 || number > kSwitchPositions - 1)
            return false;
        value = switchPositionValue(static_cast<int>(number));
        return true;
    }
    if (!parseNumber(text, number) || number < 0.0 || number > 1.0)
        return false;
    value = knobValueFor(number);
    return true;
}
