#include "plugin/vst3/Vst3Parameters.h"

#include "plugin/ParameterText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace zv3 {

namespace {

const char* const kBypassNames[2] = {"Off", "On"};

bool isSwitch(vst3::ParamID id)
{
    return id < static_cast<vst3::ParamID>(kNumParams) && kParameterInfo[id].kind == ParameterKind::Switch;
}

const char* positionName(vst3::ParamID id, int position)
{
    return id == kBypassId ? kBypassNames[position] : kParameterInfo[id].positionNames[position];
}

} // namespace

void copyToString128(vst3::String128 out, const char* text)
{
    size_t i = 0;
    for (; text && text[i] && i < 127; ++i)
        out[i] = static_cast<unsigned char>(text[i]);
    std::fill(out + i, out + 128, vst3::TChar(0));
}

bool copyFromUtf16(char* out, size_t outSize, const vst3::TChar* text)
{
    if (!out || outSize == 0 || !text)
        return false;
    size_t i = 0;
    for (; text[i]; ++i) {
        if (text[i] > 0x7F || i + 1 >= outSize)
            return false;
        out[i] = static_cast<char>(text[i]);
    }
    out[i] = '\0';
    return true;
}

bool isKnownParameter(vst3::ParamID id)
{
    return id < static_cast<vst3::ParamID>(kNumParams) || id == kBypassId;
}

bool describeParameter(int32_t index, vst3::ParameterInfo& info)
{
    if (index < 0 || index >= kParameterCount)
        return false;
    std::memset(&info, 0, sizeof(info));
    info.unitId = 0;
    copyToString128(info.units, "");
    if (index == kNumParams) {
        info.id = kBypassId;
        copyToString128(info.title, "Bypass");
        copyToString128(info.shortTitle, "Bypass");
        info.stepCount = 1;
        info.defaultNormalizedValue = 0.0;
        info.flags = vst3::ParameterInfo::kCanAutomate | vst3::ParameterInfo::kIsBypass;
        return true;
    }
    const ParameterInfo& p = kParameterInfo[index];
    info.id = static_cast<vst3::ParamID>(index);
    copyToString128(info.title, p.name);
    copyToString128(info.shortTitle, p.displayName);
    info.defaultNormalizedValue = kDefaultValues[0][index];
    info.flags = vst3::ParameterInfo::kCanAutomate;
    if (p.kind == ParameterKind::Switch) {
        info.stepCount = kSwitchPositions - 1;
        info.flags |= vst3::ParameterInfo::kIsList;
    }
    return true;
}

double toPlain(vst3::ParamID id, double value)
{
    if (id == kBypassId)
        return value >= 0.5 ? 1.0 : 0.0;
    if (isSwitch(id))
        return switchPosition(static_cast<int32_t>(id), static_cast<float>(value));
    return value;
}

double toNormalized(vst3::ParamID id, double plain)
{
    if (id == kBypassId)
        return plain >= 0.5 ? 1.0 : 0.0;
    if (isSwitch(id)) {
        const double position = std::floor(plain + 0.5);
        return switchPositionValue(position <= 0 ? 0 : position >= 2 ? 2 : static_cast<int>(position));
    }
    return plain;
}

bool parameterText(vst3::ParamID id, double value, vst3::String128 text)
{
    if (!isKnownParameter(id) || !text)
        return false;
    if (id == kBypassId) {
        copyToString128(text, positionName(id, static_cast<int>(toPlain(id, value))));
        return true;
    }
    char shown[32];
    ::parameterText(static_cast<int32_t>(id), static_cast<float>(value), shown, sizeof(shown));
    copyToString128(text, shown);
    return true;
}

bool parameterValue(vst3::ParamID id, const vst3::TChar* text, double& value)
{
    char ascii[64];
    if (!isKnownParameter(id) || !copyFromUtf16(ascii, sizeof(ascii), text))
        return false;
    if (id != kBypassId) {
        float normalised = 0.f;
        if (!parameterFromText(static_cast<int32_t>(id), ascii, normalised))
            return false;
        value = normalised;
        return true;
    }
    for (int i = 0; i < 2; ++i) {
        if (strcasecmp(ascii, positionName(id, i)) == 0) {
            value = toNormalized(id, i);
            return true;
        }
    }
    char* end = nullptr;
    const double number = std::strtod(ascii, &end);
    if (end == ascii || *end != '\0' || !(number == 0.0 || number == 1.0))
        return false;
    value = number;
    return true;
}

} // namespace zv3
