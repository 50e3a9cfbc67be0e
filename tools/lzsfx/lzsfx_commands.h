// The commands of the lzsfx tool. Each takes its arguments (after the command's name) and
// gives the exit code: 0 done, 1 failure or damage found, 2 usage error. Failures are
// thrown as ToolError or UsageError; main prints them.
#pragma once

#include <string>
#include <vector>

namespace lzsfx::tool {

inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

struct CommandContext {
  std::vector<std::string> arguments;
  std::string programPath;  // the tool's own file, for finding the stub beside it
};

int RunCreate(const CommandContext& context);
int RunList(const CommandContext& context);
int RunTest(const CommandContext& context);
int RunExtract(const CommandContext& context);
int RunCompress(const CommandContext& context);
int RunDecompress(const CommandContext& context);

}  // namespace lzsfx::tool
