// Library diagnostics stay off standard error once quietened; an error that
// ends the program still gets through.
#include <glib.h>
#include <gtest/gtest.h>

#include <string>

#include "app/LibraryMessages.h"

namespace sunvale {
namespace {

TEST(LibraryMessages, WarningsAndMessagesOfLibrariesAreDropped)
{
    g_unsetenv("G_MESSAGES_DEBUG");
    QuietLibraryMessages();
    testing::internal::CaptureStderr();
    g_log("Gtk", G_LOG_LEVEL_WARNING, "theme parsing error");
    g_log("Gtk", G_LOG_LEVEL_MESSAGE, "Failed to load module");
    g_log("GLib-GObject", G_LOG_LEVEL_CRITICAL, "assertion failed");
    g_log("dbind", G_LOG_LEVEL_WARNING, "Couldn't connect to accessibility bus");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(LibraryMessages, FatalErrorsStillReachStandardError)
{
    g_unsetenv("G_MESSAGES_DEBUG");
    QuietLibraryMessages();
    EXPECT_DEATH(g_log("Gtk", G_LOG_LEVEL_ERROR, "cannot go on"), "cannot go on");
}

}  // namespace
}  // namespace sunvale
