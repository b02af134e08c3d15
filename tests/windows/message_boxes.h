// Every message box of the process's main thread, captured as the user would see it: a CBT hook
// reads the caption and the text when the box is activated and closes it at once, so a notice is
// a recorded result instead of a wait for a user who is not there.
#pragma once

#include <string>
#include <vector>

namespace korva::wintest {

struct ShownBox {
  std::string caption;
  std::string text;
};

// Installs the hook on the calling thread (once); false when the system refuses it.
bool CaptureMessageBoxes();

// The boxes shown since the last TakeMessageBoxes, in order; forgets them.
std::vector<ShownBox> TakeMessageBoxes();

// "Caption: text" lines, line breaks shown as \r and \n, for failure messages.
std::string Describe(const std::vector<ShownBox>& boxes);

}  // namespace korva::wintest
