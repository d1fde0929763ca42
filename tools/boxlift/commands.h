// The tool's commands. Each returns the exit code and throws Error (exit
// code 1) for bad input or a failure, with a message naming the file.
#pragma once

#include <ostream>

#include "command_line.h"
#include "payload_writer.h"

namespace boxlift {

int RunBuild(const BuildRequest& request, std::ostream& out);
int RunInspect(const InspectRequest& request, std::ostream& out);
int RunExtract(const ExtractRequest& request, std::ostream& out);
int RunVerify(const VerifyRequest& request, std::ostream& out);

// The launcher image built into the tool.
ByteView EmbeddedLauncher();

}  // namespace boxlift
