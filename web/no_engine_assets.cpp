// The page assets of a build without emscripten: no engine, so
// topoplan-draw refuses to write a page and says what is missing.
#include "draw_page.h"

PageAssets pageAssets() { return {}; }
