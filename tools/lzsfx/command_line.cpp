#include "command_line.h"

#include <charconv>

#include "tool_files.h"

namespace lzsfx::tool {
namespace {

const OptionDefinition* FindLong(const std::vector<OptionDefinition>& definitions, const std::string& name) {
  for (const OptionDefinition& definition : definitions) {
    if (name == definition.name) return &definition;
  }
  return nullptr;
}

const OptionDefinition* FindShort(const std::vector<OptionDefinition>& definitions, char name) {
  for (const OptionDefinition& definition : definitions) {
    if (definition.shortName != 0 && definition.shortName == name) return &definition;
  }
  return nullptr;
}

}  // namespace

CommandLine::CommandLine(const std::vector<std::string>& arguments, const std::vector<OptionDefinition>& definitions) {
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
    const OptionDefinition* definition = nullptr;
    std::optional<std::string> inlineValue;
    if (argument[1] == '-') {
      const std::size_t equals = argument.find('=');
      definition = FindLong(definitions, argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2));
      if (equals != std::string::npos) inlineValue = argument.substr(equals + 1);
    } else if (argument.size() == 2) {
      definition = FindShort(definitions, argument[1]);
    }
    if (definition == nullptr) throw UsageError("unknown option " + argument);
    if (!definition->takesValue) {
      if (inlineValue) throw UsageError("--" + std::string(definition->name) + " takes no value");
      values_[definition->name] = "";
      continue;
    }
    if (!inlineValue) {
      if (i + 1 >= arguments.size()) throw UsageError(argument + " needs a value");
      inlineValue = arguments[++i];
    }
    values_[definition->name] = *inlineValue;
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

std::string DescribeOptions(const std::vector<OptionDefinition>& definitions) {
  std::string text;
  for (const OptionDefinition& definition : definitions) {
    std::string left = "  ";
    left += definition.shortName ? std::string("-") + definition.shortName + ", " : "    ";
    left += std::string("--") + definition.name;
    if (definition.valueName) left += std::string(" ") + definition.valueName;
    if (left.size() < 28) left.resize(28, ' ');
    else left += "\n" + std::string(28, ' ');
    text += left + definition.help + "\n";
  }
  return text;
}

}  // namespace lzsfx::tool
