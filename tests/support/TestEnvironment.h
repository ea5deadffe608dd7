#pragma once
// Linked into every test executable. Before main() runs it makes Qt fall back to
// the offscreen platform when there is no display, and picks the quiet
// multimedia backend.
