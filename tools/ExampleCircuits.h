#pragma once

#include <string>
#include <vector>

namespace korvanix::tools {

// The example documents shipped in examples/: built through the model's own
// API and written by the document writer, so they always match the code.
std::vector<std::string> ExampleFileNames();

// Writes every example into `folder` (which must exist). Returns the message of
// the first failure, empty on success.
std::string WriteExamples(const std::string& folder);

} // namespace korvanix::tools
