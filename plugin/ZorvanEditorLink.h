// What the editor needs of the plug-in beyond the AudioEffectX interface.
// The editor reaches it through its effect (dynamic_cast), so the editor
// library depends on this header only and not on the plug-in's objects.
#pragma once

class ZorvanEditorLink {
public:
    // The impulse-response path stored in a program record, or null for an index outside 0 to 3.
    // UI thread only: the text is a copy that stays valid until the next call.
    virtual const char* getIrPath(int program) const = 0;
    // Stores path in the current program's record and loads it into the external cabinet.
    // Refuses (false, nothing changes) a path that does not fit the 260-byte field.
    virtual bool loadIrPath(const char* path) = 0;

protected:
    ~ZorvanEditorLink() = default;
};
