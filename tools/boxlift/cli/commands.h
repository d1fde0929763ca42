// The tool's commands. Each returns the exit code and throws Error (exit
// code 1) for bad input or a failure, with a message naming the file.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "image/setup_file.h"

namespace boxlift {

int RunBuild(const BuildRequest& request, std::ostream& out);
int RunInspect(const InspectRequest& request, std::ostream& out);
int RunExtract(const ExtractRequest& request, std::ostream& out);
int RunVerify(const VerifyRequest& request, std::ostream& out);

// What inspect and verify make of a setup.exe already read: the report,
// and the list of problems (empty when the file keeps the contract). The
// texts are decoded from codepage; without one, from the default code
// page when every text is valid in it, else shown escaped.
void WriteInspectReport(const SetupFile& setup, std::optional<unsigned> codepage, bool json,
                        std::ostream& out);
std::vector<std::string> VerifyProblems(const SetupFile& setup);

}  // namespace boxlift
