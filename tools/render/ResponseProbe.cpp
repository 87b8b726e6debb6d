#include "tools/render/ResponseProbe.h"

#include "tools/render/ZorvanFacts.h"

#include <algorithm>
#include <vector>

namespace zrender {

bool externalCabinetIsSilent(PluginHost& configured, double sampleRate, int blockSize)
{
    PluginHost probe(configured.modulePath());
    probe.setSampleRate(sampleRate);
    probe.setBlockSize(blockSize);
    if (!probe.setChunk(configured.getChunk(false), false))
        throw RenderError("cannot check the impulse response: the plug-in refused its own bank");
    probe.setProgram(configured.program());
    // The user's knobs may mute the amplifier; the question is the response.
    probe.setParameter(kInput, 0.5f);
    probe.setParameter(kGain, 0.5f);
    probe.setParameter(kMaster, 0.5f);
    probe.setParameter(kCabinet, kCabExternal);
    probe.setMainsOn(true);
    probe.startProcess();

    // Longer than the longest response the plug-in keeps (8192 frames).
    constexpr int kProbeFrames = 16384;
    const size_t block = static_cast<size_t>(blockSize);
    std::vector<float> inL(block), inR(block), outL(block), outR(block);
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    bool heard = false;
    for (int done = 0; done < kProbeFrames && !heard; done += blockSize) {
        std::fill(inL.begin(), inL.end(), 0.f);
        std::fill(inR.begin(), inR.end(), 0.f);
        if (done == 0)
            inL[0] = inR[0] = 0.5f;
        probe.process(ins, outs, blockSize);
        for (size_t i = 0; i < block && !heard; ++i)
            heard = outL[i] != 0.f || outR[i] != 0.f;
    }
    probe.stopProcess();
    probe.setMainsOn(false);
    return !heard;
}

} // namespace zrender
