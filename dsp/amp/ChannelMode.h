#pragma once

// The three channels of the amplifier. Not stored anywhere: every section
// classifies its own copy of the mode value, so a section can never disagree
// with the value it was designed from.
enum class ChannelMode { Clean, Rhythm, Lead };

// CLEAN below 0.33, RHYTHM from 0.33 to below 0.66, LEAD from 0.66 (single
// precision thresholds; the panel switch sends 0, 0.5 and 1). A NaN mode
// fails both tests and reads as LEAD.
inline ChannelMode classifyChannel(float mode)
{
    if (mode < 0.33f) return ChannelMode::Clean;
    if (mode < 0.66f) return ChannelMode::Rhythm;
    return ChannelMode::Lead;
}
