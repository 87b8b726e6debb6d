#include "toolkit/AEffGUIEditor.h"

#include "toolkit/PlatformWindow.h"

#include <ctime>

std::atomic<int32_t> AEffGUIEditor::knobMode{VSTGUI::kCircularMode};

AEffGUIEditor::AEffGUIEditor(ZorvanEditorLink* effect) : effect(effect), lastTicks(getTicks())
{
    VSTGUI::initEditorThread();
}

AEffGUIEditor::~AEffGUIEditor()
{
    VSTGUI::exitEditorThread();
}

bool AEffGUIEditor::getRect(ERect** ppRect)
{
    if (!ppRect)
        return false;
    *ppRect = &rect;
    return true;
}

bool AEffGUIEditor::open(void* ptr)
{
    AEffEditor::open(ptr);
    return true;
}

void AEffGUIEditor::close()
{
    AEffEditor::close();
}

void AEffGUIEditor::idle()
{
    if (inIdleStuff)
        return;
    inIdleStuff = true;
    if (frame)
        frame->idle();
    inIdleStuff = false;
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& keyCode)
{
    return frame && frame->onKeyDown(keyCode) != -1;
}

bool AEffGUIEditor::onKeyUp(VstKeyCode& keyCode)
{
    return frame && frame->onKeyUp(keyCode) != -1;
}

bool AEffGUIEditor::setKnobMode(int32_t val)
{
    knobMode.store(val, std::memory_order_relaxed);
    return true;
}

void AEffGUIEditor::beginEdit(int32_t index)
{
    if (effect)
        effect->beginEdit(index);
}

void AEffGUIEditor::endEdit(int32_t index)
{
    if (effect)
        effect->endEdit(index);
}

uint32_t AEffGUIEditor::getTicks()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(ts.tv_sec * 1000u + ts.tv_nsec / 1000000);
}
