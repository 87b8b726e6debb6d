// A view with a value between vmin and vmax, a tag, a default value and a
// listener that hears about every change the user makes. Event handling is
// kept apart from drawing so that tests can drive it with synthetic events.
#pragma once

#include "toolkit/CView.h"

namespace VSTGUI {

class CControl;

class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
};

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener = nullptr, int32_t tag = -1,
             CBitmap* background = nullptr);

    virtual void setValue(float val) { value = val; }
    float getValue() const { return value; }
    void setMin(float val) { vmin = val; }
    float getMin() const { return vmin; }
    void setMax(float val) { vmax = val; }
    float getMax() const { return vmax; }
    void setDefaultValue(float val) { defaultValue = val; }
    float getDefaultValue() const { return defaultValue; }
    // The value mapped to 0..1.
    float getValueNormalized() const;
    void setValueNormalized(float val);

    int32_t getTag() const { return tag; }
    void setTag(int32_t val) { tag = val; }
    CControlListener* getListener() const { return listener; }
    void setListener(CControlListener* l) { listener = l; }
    void setOffset(const CPoint& val) { offset = val; }
    const CPoint& getOffset() const { return offset; }
    void setWheelInc(float val) { wheelInc = val; }

    // Edit gestures go to the editor through the frame, with the tag as index.
    virtual void beginEdit();
    virtual void endEdit();
    bool isEditing() const { return editing > 0; }

    // A value change that has not been drawn yet makes the control dirty.
    bool isDirty() const override { return dirty || value != drawnValue; }
    void setDirty(bool state = true) override;

    bool isTypeOf(const char* name) const override;

    // Keeps value within vmin and vmax.
    void bounceValue();
    // A left click with Control alone sets the default value and reports it.
    // True when the click was such a click.
    virtual bool checkDefaultValue(int32_t buttons);

protected:
    void notifyListener();

    CControlListener* listener; // told about user changes, not owned
    int32_t tag;                // parameter index, or the editor's own number
    float value = 0.f;          // current value
    float vmin = 0.f;           // lowest value
    float vmax = 1.f;           // highest value
    float defaultValue = 0.5f;  // set by Control-click
    float drawnValue = -1.f;    // value at the last draw
    float wheelInc = 0.1f;      // step of one arrow key press
    CPoint offset;              // where in the bitmap the frames start
    int editing = 0;            // begun and not yet ended edits
};

} // namespace VSTGUI
