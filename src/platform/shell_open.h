// Opens a file with the desktop's default program, as a user's double click would, without
// waiting for that program: the viewer runs on its own.
#pragma once

#include <functional>
#include <string>

namespace corvane {

// Hands the file (a Shift_JIS path) or web address to the desktop's opener (xdg-open) and returns
// once the opener has handed it on or after a short grace period, whichever comes first; an opener
// still running then (one that runs the viewer itself) is left running and reaped in the
// background. False when the opener could not be started or failed within the grace period, and for
// a text that starts with '-'.
// `waiting` is called now and then during the grace period (a window keeps painting there).
// `graceMs`: how long the opener is watched for an early failure.
inline constexpr int kShellOpenGraceMs = 500;
bool ShellOpen(const std::string& path, const std::function<void()>& waiting = {},
               int graceMs = kShellOpenGraceMs);

}  // namespace corvane
