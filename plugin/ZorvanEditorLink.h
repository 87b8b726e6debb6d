// The one interface through which the panel talks to the shell that hosts it,
// whatever the plug-in format: parameter values and edits with the begin and
// end of a gesture, the current program, the impulse-response path and its
// load. The shell in turn calls the editor's setParameter and refreshIrName.
//
// Threads: every call comes from the host's user-interface thread, the thread
// the editor was opened on.
#pragma once

#include <cstdint>

class ZorvanEditorLink {
public:
    // The current value of parameter index (0 to 8), as the panel shows it.
    virtual float getParameter(int32_t index) = 0;
    // A control moved: the shell applies the value and tells its host.
    virtual void setParameterAutomated(int32_t index, float value) = 0;
    // The begin and end of an edit gesture on control index (mouse press and
    // release); true when the host took note.
    virtual bool beginEdit(int32_t index) = 0;
    virtual bool endEdit(int32_t index) = 0;
    // The current program, 0 to 3.
    virtual int32_t getProgram() = 0;
    // The impulse-response path stored in a program record, or null for an
    // index outside 0 to 3. The text is a copy that stays valid until the next call.
    virtual const char* getIrPath(int program) const = 0;
    // Stores path in the current program's record and loads it into the
    // external cabinet. Refuses (false, nothing changes) a path that does not
    // fit the 260-byte field.
    virtual bool loadIrPath(const char* path) = 0;

protected:
    ~ZorvanEditorLink() = default;
};
