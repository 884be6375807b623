// The front end's tests: one process with one wx application, run under a
// virtual display of a fixed size (xvfb-run, from CTest).
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  wxApp::SetInstance(new wxApp());
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
    std::fprintf(stderr, "no display: run under xvfb-run\n");
    return 1;
  }
  wxInitAllImageHandlers();
  // A failed check of wxWidgets fails the run instead of opening its dialog.
  wxSetAssertHandler([](const wxString& file, int line, const wxString& function,
                        const wxString& condition, const wxString& message) {
    std::fprintf(stderr, "wxWidgets check failed: %s:%d %s: %s %s\n", file.utf8_str().data(), line,
                 function.utf8_str().data(), condition.utf8_str().data(),
                 message.utf8_str().data());
    std::abort();
  });
  const int result = RUN_ALL_TESTS();
  wxEntryCleanup();
  return result;
}
