#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // A death test's child is this program started afresh, never a copy of a
  // process whose other threads (work queues, the web engine's) may hold
  // locks the copy would wait on for ever.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const char* log = std::getenv("MV_LOG");
  base::setLogEnabled(log && std::string(log) == "1");
  // No test hands a job to a printer of the machine it runs on: the print
  // system is looked for where none is, so every machine has no printer.
  setenv("CUPS_SERVER", "/nonexistent/marvisto-tests/cups.sock", 1);
  base::RunLoop::main().adoptCurrentThread();
  // A main-thread-only class used from another thread fails the test at once.
  base::setMainThreadChecksFatal(true);
  const int status = RUN_ALL_TESTS();
  // No worker may be in the middle of a task while the process exits: the
  // leak check stops every thread and a worker holding a lock would hang it.
  base::WorkQueue::global().waitIdle();
  return status;
}

// The font and PDF libraries keep allocations past exit that are theirs to
// free: fontconfig's parsed configuration, and cairo's subset of a CJK font
// made while finishing a PDF. GStreamer keeps its plugin registry and type
// system (allocated through GLib) for the life of the process. The web
// engine and GTK keep their display connection, input method, themes and
// engine context until the process ends; the desktop window's library its
// display connection and its desktop bus connection.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libcairo.so\nleak:libfreetype.so\n"
         "leak:libgstreamer-1.0.so\nleak:libgobject-2.0.so\nleak:libglib-2.0.so\n"
         "leak:libgio-2.0.so\nleak:libwebkit2gtk-4.1.so\nleak:libjavascriptcoregtk-4.1.so\n"
         "leak:libgtk-3.so\nleak:libgdk-3.so\nleak:libsoup-3.0.so\nleak:libX11.so\nleak:libxkbcommon.so\n"
         "leak:libpango-1.0.so\nleak:libpangoft2-1.0.so\nleak:libharfbuzz.so\nleak:libatk-1.0.so\n"
         "leak:libatk-bridge-2.0.so\nleak:libepoxy.so\nleak:libgdk_pixbuf-2.0.so\n"
         "leak:libSDL2-2.0.so\nleak:libdbus-1.so\n";
}
