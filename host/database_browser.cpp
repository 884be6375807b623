// The database browser stand-in: a diagnostic line in place of its window.

#include "host/database_browser.h"

#include <string>

#include "host/report.h"

int CrtDatabaseWandler(void* /*parent*/, long id) {
  const std::string line = "database browser: record " + std::to_string(id);
  DiagnosticOut(line.c_str());
  return 1;
}
