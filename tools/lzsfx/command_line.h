// The command line of one lzsfx command: options (--name, --name=value, --name value,
// -x value) and operands, checked against the options the command knows. Anything else
// throws UsageError (exit code 2).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lzsfx::tool {

struct OptionDefinition {
  const char* name;       // long name without "--"
  char shortName;         // 0 when there is none
  bool takesValue;
  const char* valueName;  // for --help: "FILE", "N"; nullptr for switches
  const char* help;
};

class CommandLine {
 public:
  CommandLine(const std::vector<std::string>& arguments, const std::vector<OptionDefinition>& definitions);

  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  std::optional<std::string> Value(const std::string& name) const;
  int IntegerValue(const std::string& name, int fallback) const;
  const std::vector<std::string>& Operands() const { return operands_; }

 private:
  std::map<std::string, std::string> values_;
  std::vector<std::string> operands_;
};

// The option list of a command's --help text, one option a line.
std::string DescribeOptions(const std::vector<OptionDefinition>& definitions);

}  // namespace lzsfx::tool
