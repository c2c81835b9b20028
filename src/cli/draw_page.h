// The interactive page of a topology: one HTML file that holds the drawing
// as inline SVG, the topology file's bytes, the analysis engine compiled
// to WebAssembly, and the script that wires clicks to the engine. It opens
// from disk and fetches nothing.
#ifndef TOPOPLAN_DRAW_PAGE_H_
#define TOPOPLAN_DRAW_PAGE_H_

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "draw.h"
#include "network.h"

// What the build embedded: the engine's single-file JavaScript (empty when
// the program was built without emscripten), the page template and its
// script.
struct PageAssets {
  std::string_view engine;
  std::string_view pageTemplate;
  std::string_view script;
};
PageAssets pageAssets();

// The refusal when the engine is missing, as a line.
constexpr char kNoPageEngine[] =
    "✘ 本程序构建时没有带上网页分析引擎（需要 emscripten），无法生成 HTML "
    "页面！"
    "请安装 emscripten（bash tools/install-deps.sh）后重新构建。";

// True when the build embedded the engine.
bool pageEngineBuilt();

// `svg` with what scripts and tests look up on each device's and link's
// group: `data-code` on g#deviceN, and `data-from`, `data-to` (device
// codes) and `data-latency` on g#linkN, where N is an index into `codes`
// (by device index) or `links` (the saved order). Values are HTML-escaped;
// any other element, or an id out of range, is left as it is.
std::string withDataAttributes(std::string_view svg,
                               const std::vector<std::string>& codes,
                               const std::vector<Link>& links);

// Puts the page together: `svg` is dot's rendering of the plain drawing
// with addressable devices and links, `topologyText` the bytes of the
// topology file it was drawn from, `title` the page's title, and
// `initial` the plan or route the page opens with (and the GraphML node
// ids the page's search finds devices by). Returns false, with the
// refusal on `errors` and `html` untouched, when the engine is missing.
bool writeTopologyPage(std::string_view svg, std::string_view topologyText,
                       const std::string& title, const DrawRequest& initial,
                       std::string* html, std::ostream& errors);

#endif  // TOPOPLAN_DRAW_PAGE_H_
