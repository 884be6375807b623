// The views dialog stand-in: a diagnostic line in place of its window.

#include "host/model/views.h"

#include <string>

#include "host/report.h"

int CrtViews(void* /*parent*/, char* text) {
  const std::string line = std::string("views: ") + (text != nullptr ? text : "");
  DiagnosticOut(line.c_str());
  return 1;
}
