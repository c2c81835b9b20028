#include "font_check.h"

#include <string>

#include "child_process.h"

namespace {

// fontconfig answers at once from its cache; one that takes longer tells
// nothing worth waiting for.
constexpr int kListTimeout = 10;

}  // namespace

bool chineseFontMissing() {
  ChildRequest request;
  request.command = {"fc-list", ":lang=zh"};
  request.quiet = true;
  request.timeoutSeconds = kListTimeout;
  const ChildOutcome listed = runChild(request);
  return listed.succeeded() &&
         listed.output.find_first_not_of(" \t\n") == std::string::npos;
}
