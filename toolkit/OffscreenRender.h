// The offscreen back-end: draws a frame's whole view tree into a new cairo
// image surface with the same code the window uses, for tests and pictures.
#pragma once

typedef struct _cairo_surface cairo_surface_t;

namespace VSTGUI {

class CFrame;

// A new RGB24 image surface of the frame's size with the panel drawn on it.
// The caller destroys it.
cairo_surface_t* renderFrame(CFrame& frame);
// Renders the frame and writes it as a PNG file; false on failure.
bool writeFramePng(CFrame& frame, const char* path);

} // namespace VSTGUI
