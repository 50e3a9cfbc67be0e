#include "command_line.h"

#include <charconv>

#include "tool_files.h"

namespace lzsfx::tool {
namespace {

const OptionSpec* FindLong(const std::vector<OptionSpec>& specs, const std::string& name) {
  for (const OptionSpec& spec : specs) {
    if (name == spec.name) return &spec;
  }
  return nullptr;
}

const OptionSpec* FindShort(const std::vector<OptionSpec>& specs, char name) {
  for (const OptionSpec& spec : specs) {
    if (spec.shortName != 0 && spec.shortName == name) return &spec;
  }
  return nullptr;
}

}  // namespace

CommandLine::CommandLine(const std::vector<std::string>& arguments, const std::vector<OptionSpec>& specs) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      operands_.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    const OptionSpec* spec = nullptr;
    std::optional<std::string> inlineValue;
    if (argument[1] == '-') {
      const std::size_t equals = argument.find('=');
      spec = FindLong(specs, argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2));
      if (equals != std::string::npos) inlineValue = argument.substr(equals + 1);
    } else if (argument.size() == 2) {
      spec = FindShort(specs, argument[1]);
    }
    if (spec == nullptr) throw UsageError("unknown option " + argument);
    if (!spec->takesValue) {
      if (inlineValue) throw UsageError("--" + std::string(spec->name) + " takes no value");
      values_[spec->name] = "";
      continue;
    }
    if (!inlineValue) {
      if (i + 1 >= arguments.size()) throw UsageError(argument + " needs a value");
      inlineValue = arguments[++i];
    }
    values_[spec->name] = *inlineValue;
  }
}

std::optional<std::string> CommandLine::Value(const std::string& name) const {
  const auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

int CommandLine::IntegerValue(const std::string& name, int fallback) const {
  const std::optional<std::string> text = Value(name);
  if (!text) return fallback;
  int value = 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (error != std::errc() || end != text->data() + text->size()) {
    throw UsageError("--" + name + " needs a number, not \"" + *text + "\"");
  }
  return value;
}

std::string DescribeOptions(const std::vector<OptionSpec>& specs) {
  std::string text;
  for (const OptionSpec& spec : specs) {
    std::string left = "  ";
    left += spec.shortName ? std::string("-") + spec.shortName + ", " : "    ";
    left += std::string("--") + spec.name;
    if (spec.valueName) left += std::string(" ") + spec.valueName;
    if (left.size() < 28) left.resize(28, ' ');
    else left += "\n" + std::string(28, ' ');
    text += left + spec.help + "\n";
  }
  return text;
}

}  // namespace lzsfx::tool
