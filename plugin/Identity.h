// Who the plug-in says it is, in every format.
#pragma once

#include <cstdint>

namespace zorvan {

constexpr char kEffectName[] = "Zorvan Ferroharmonic Lite";
constexpr char kProductString[] = "Zorvan Ferroharmonic Lite Ver.1.1.3";
constexpr char kVendorString[] = "Zorvan, Inc.";
constexpr char kVersionString[] = "1.1.3";
constexpr int32_t kVendorVersion = 1130;
constexpr char kWebAddress[] = "https://www.zorvan.example/";

} // namespace zorvan
