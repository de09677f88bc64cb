#pragma once
// Fatal start-up failures of the rendering resources: a message box with the
// text (also written to standard error), then the process ends with status 1.
#include <string>

[[noreturn]] void exitWithMessage(const std::string& text, const std::string& caption = "");
