// Notices written one per line, so the notices of the two builds for the same model can be
// compared as text: "caption|text", with \r, \n and \\ escaped and the models folder (which has
// another spelling on each system) replaced by "<models>/".
#pragma once

#include <string>

namespace korva::crosscheck {

// One line, with its line break. `modelsFolder` ends with its separator.
std::string NoticeLine(const std::string& caption, const std::string& text,
                       const std::string& modelsFolder);

}  // namespace korva::crosscheck
