// lzsfx: builds self-extracting installers and lists, tests and extracts them.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "common/failure.h"
#include "interruption.h"
#include "lzsfx_commands.h"
#include "tool_files.h"

namespace {

using namespace lzsfx::tool;

constexpr const char* Overview =
    "usage: lzsfx COMMAND [OPTIONS] ARGUMENTS\n"
    "\n"
    "Builds self-extracting installers: a stub program with LZHUF-compressed files\n"
    "appended, which unpacks them into the temporary folder and starts a setup program.\n"
    "\n"
    "commands:\n"
    "  create -o OUT INPUT...   build an installer from files and folders\n"
    "  list FILE                show the configuration and the stored files\n"
    "  test FILE                decode every entry and check it against the catalog\n"
    "  extract FILE [-o DIR]    unpack the files without running anything\n"
    "  compress                 raw LZHUF stream: stdin to stdout, or -i FILE -o FILE\n"
    "  decompress               the reverse\n"
    "\n"
    "`lzsfx COMMAND --help` describes a command. Exit codes: 0 done, 1 failure or damage\n"
    "found, 2 usage error.\n";

struct Command {
  const char* name;
  int (*run)(const CommandContext&);
};

constexpr Command Commands[] = {
    {"create", RunCreate},     {"list", RunList},         {"test", RunTest},
    {"extract", RunExtract},   {"compress", RunCompress}, {"decompress", RunDecompress},
};

int Dispatch(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(Overview, stderr);
    return ExitUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    std::fputs(Overview, stdout);
    return ExitOk;
  }
  if (name == "--version") {
    std::puts("lzsfx " LZSFX_VERSION);
    return ExitOk;
  }
  for (const Command& command : Commands) {
    if (name != command.name) continue;
    CommandContext context{std::vector<std::string>(argv + 2, argv + argc), argv[0]};
    try {
      return command.run(context);
    } catch (const UsageError& e) {
      std::fprintf(stderr, "lzsfx %s: %s\n(see lzsfx %s --help)\n", command.name, e.what(), command.name);
      return ExitUsage;
    }
  }
  std::fprintf(stderr, "lzsfx: unknown command \"%s\"\n\n%s", name.c_str(), Overview);
  return ExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  CatchInterruptions();
  try {
    return Dispatch(argc, argv);
  } catch (const ToolError& e) {
    std::fprintf(stderr, "lzsfx: %s\n", e.what());
  } catch (const lzsfx::Exception& e) {
    std::fprintf(stderr, "lzsfx: %s\n", e.Message().c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lzsfx: %s\n", e.what());
  }
  return ExitFailure;
}
