#include "lzsfx_commands.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "command_line.h"
#include "common/code_page.h"
#include "entry_extractor.h"
#include "file_date.h"
#include "installer_builder.h"
#include "installer_reader.h"
#include "platform/files.h"
#include "stream_codec.h"
#include "tool_files.h"

namespace lzsfx::tool {
namespace {

namespace fs = std::filesystem;

const OptionDefinition HelpOption{"help", 'h', false, nullptr, "show this text"};
const OptionDefinition CodePageOption{"codepage", 0, true, "N", "code page of stored names (default 1252)"};

// Prints help and gives true when --help was asked for.
bool HandleHelp(const CommandLine& line, const char* usage, const std::vector<OptionDefinition>& definitions) {
  if (!line.Has("help")) return false;
  std::printf("%s\noptions:\n%s", usage, DescribeOptions(definitions).c_str());
  return true;
}

int CodePageOf(const CommandLine& line) {
  const int codePage = line.IntegerValue("codepage", DefaultAnsiCodePage);
  if (!IsSupportedCodePage(codePage)) throw UsageError("code page " + std::to_string(codePage) + " is not supported");
  return codePage;
}

const std::string& SingleOperand(const CommandLine& line, const char* what) {
  if (line.Operands().size() != 1) throw UsageError(std::string("expects exactly one ") + what);
  return line.Operands().front();
}

// --- create ---------------------------------------------------------------------------

const std::vector<OptionDefinition> CreateOptions = {
    {"output", 'o', true, "OUT", "the installer to write (required)"},
    {"stub", 0, true, "FILE", "the stub program (default: $LZSFX_STUB, lzsfx-stub[.exe] beside lzsfx, or the build's)"},
    {"exec", 'e', true, "PATH", "program to start, relative to the destination; must be stored"},
    {"params", 'p', true, "TEXT", "command-line parameters for it (<AD> <WD> <SD> <TD> are expanded)"},
    {"allow-missing-exec", 0, false, nullptr, "accept an --exec that is not among the stored files"},
    {"no-use-dirs", 0, false, nullptr, "UseDirs=0: every file goes directly into the destination"},
    {"ask-overwrite", 0, false, nullptr, "OverWrite=0: ask before replacing an existing file"},
    {"no-attributes", 0, false, nullptr, "Attributes=0: do not apply stored attributes"},
    {"no-file-date", 0, false, nullptr, "FileDate=0: do not apply stored dates"},
    CodePageOption,
    {"quiet", 'q', false, nullptr, "no progress and no summary"},
    HelpOption,
};

constexpr const char* CreateUsage =
    "usage: lzsfx create -o OUT [options] INPUT...\n"
    "\n"
    "Builds a self-extracting installer: a copy of the stub, the archive offset patched\n"
    "into it, the files of INPUT compressed and appended, the configuration entry last.\n"
    "A file INPUT is stored under its own name; a folder INPUT contributes its contents,\n"
    "stored relative to the folder. Empty folders are kept. Names are stored sorted, so\n"
    "the same tree always gives the same bytes. The output appears only when complete.\n";

#ifndef LZSFX_BUILD_STUB
#define LZSFX_BUILD_STUB ""
#endif

fs::path ProgramDirectory(const std::string& programPath) {
  std::error_code error;
  // /proc/self/exe is the running program on Linux; elsewhere argv[0] says where it is.
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (!error) return self.parent_path();
  return fs::absolute(fs::path(programPath), error).parent_path();
}

fs::path DefaultStub(const std::string& programPath) {
  if (const char* fromEnvironment = std::getenv("LZSFX_STUB"); fromEnvironment && *fromEnvironment) {
    return PathFromArgument(fromEnvironment);
  }
  std::vector<fs::path> candidates;
  const fs::path directory = ProgramDirectory(programPath);
  for (const char* name : {"lzsfx-stub.exe", "lzsfx-stub"}) candidates.push_back(directory / name);
  if (*LZSFX_BUILD_STUB) candidates.push_back(PathFromArgument(LZSFX_BUILD_STUB));
  for (const fs::path& candidate : candidates) {
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return candidate;
  }
  throw ToolError("no stub found beside lzsfx or in the build; name one with --stub FILE");
}

}  // namespace

int RunCreate(const CommandContext& context) {
  const CommandLine line(context.arguments, CreateOptions);
  if (HandleHelp(line, CreateUsage, CreateOptions)) return ExitOk;
  BuildOptions options;
  const std::optional<std::string> output = line.Value("output");
  if (!output || output->empty()) throw UsageError("-o OUT is required");
  if (line.Operands().empty()) throw UsageError("no INPUT files or folders given");
  options.output = PathFromArgument(*output);
  options.inputs = line.Operands();
  options.stub = line.Has("stub") ? PathFromArgument(*line.Value("stub")) : DefaultStub(context.programPath);
  if (const auto exec = line.Value("exec")) options.executable = ArgumentToUtf8(*exec);
  if (const auto params = line.Value("params")) options.parameters = ArgumentToUtf8(*params);
  options.allowMissingExecutable = line.Has("allow-missing-exec");
  options.useDirs = !line.Has("no-use-dirs");
  options.overWrite = !line.Has("ask-overwrite");
  options.attributes = !line.Has("no-attributes");
  options.fileDate = !line.Has("no-file-date");
  options.codePage = CodePageOf(line);
  options.quiet = line.Has("quiet");

  const BuildSummary summary = BuildInstaller(options);
  if (!options.quiet) {
    const double ratio = summary.originalBytes ? 100.0 * static_cast<double>(summary.compressedBytes) /
                                                     static_cast<double>(summary.originalBytes)
                                               : 0.0;
    std::printf("%s: %llu entries, %llu bytes compressed to %llu (%.1f%%), stub %llu bytes, %llu bytes in all\n",
                output->c_str(), static_cast<unsigned long long>(summary.files),
                static_cast<unsigned long long>(summary.originalBytes),
                static_cast<unsigned long long>(summary.compressedBytes), ratio,
                static_cast<unsigned long long>(summary.stubBytes), static_cast<unsigned long long>(summary.totalBytes));
  }
  return ExitOk;
}

// --- list, test, extract ----------------------------------------------------------------

namespace {

const std::vector<OptionDefinition> ListOptions = {CodePageOption, HelpOption};
const std::vector<OptionDefinition> TestOptions = {CodePageOption, {"quiet", 'q', false, nullptr, "report damaged entries only"}, HelpOption};
const std::vector<OptionDefinition> ExtractOptionSpecs = {
    {"output", 'o', true, "DIR", "folder to extract into (default: the current folder)"},
    {"force", 'f', false, nullptr, "replace existing files"},
    CodePageOption,
    {"quiet", 'q', false, nullptr, "print nothing but problems"},
    HelpOption,
};

std::string AttributeLetters(std::int32_t attributes) {
  const struct {
    std::uint32_t bit;
    char letter;
  } letters[] = {{platform::AttributeReadOnly, 'R'}, {platform::AttributeHidden, 'H'}, {platform::AttributeSystem, 'S'},
                 {platform::AttributeDirectory, 'D'}, {platform::AttributeArchive, 'A'}};
  std::string text;
  for (const auto& l : letters) text += (static_cast<std::uint32_t>(attributes) & l.bit) ? l.letter : '-';
  return text;
}

void PrintConfiguration(const Installer& installer) {
  const CatalogEntry& configuration = installer.entries.back();
  std::printf("configuration (%s):\n", DisplayName(installer, configuration.Name).c_str());
  const std::string text = CodePageToUtf8(ConfigurationText(installer), installer.codePage);
  std::string lineText;
  for (char c : text) {
    if (c == '\n') {
      if (!lineText.empty()) std::printf("  %s\n", lineText.c_str());
      lineText.clear();
    } else if (c != '\r') {
      lineText += c;
    }
  }
  if (!lineText.empty()) std::printf("  %s\n", lineText.c_str());
}

}  // namespace

int RunList(const CommandContext& context) {
  const CommandLine line(context.arguments, ListOptions);
  if (HandleHelp(line, "usage: lzsfx list FILE\n\nShows the stub, the configuration entry and a table of the stored files.\n",
                 ListOptions)) {
    return ExitOk;
  }
  const Installer installer = OpenInstaller(PathFromArgument(SingleOperand(line, "FILE")), CodePageOf(line));
  std::printf("%s stub, archive at offset %d, data at %d, %zu entries%s\n", ImageFormatName(installer.stub.format),
              installer.archiveOffset, installer.dataStart, installer.entries.size(),
              installer.stub.certificateTable.size ? ", signed" : "");
  if (installer.entries.empty()) return ExitOk;
  PrintConfiguration(installer);
  std::printf("\n%10s %10s %6s  %-19s  %-5s  %s\n", "original", "compressed", "ratio", "date", "attr", "name");
  std::uint64_t original = 0, compressed = 0;
  for (std::size_t i = 0; i + 1 < installer.entries.size(); ++i) {
    const CatalogEntry& entry = installer.entries[i];
    original += static_cast<std::uint64_t>(std::max(entry.OriginalSize, 0));
    compressed += static_cast<std::uint64_t>(std::max(entry.CompressedSize, 0));
    const double ratio = entry.OriginalSize > 0 ? 100.0 * entry.CompressedSize / entry.OriginalSize : 0.0;
    std::printf("%10d %10d %5.1f%%  %-19s  %-5s  %s\n", entry.OriginalSize, entry.CompressedSize, ratio,
                FormatDayCount(entry.Date).c_str(), AttributeLetters(entry.Attributes).c_str(),
                DisplayName(installer, entry.Name).c_str());
  }
  const double ratio = original ? 100.0 * static_cast<double>(compressed) / static_cast<double>(original) : 0.0;
  std::printf("%10llu %10llu %5.1f%%  %zu files\n", static_cast<unsigned long long>(original),
              static_cast<unsigned long long>(compressed), ratio, installer.entries.size() - 1);
  return ExitOk;
}

int RunTest(const CommandContext& context) {
  const CommandLine line(context.arguments, TestOptions);
  if (HandleHelp(line,
                 "usage: lzsfx test FILE\n\nDecodes every entry, the configuration entry included, and checks it "
                 "against the catalog:\nits data must lie inside the file and decode to OriginalSize bytes.\n",
                 TestOptions)) {
    return ExitOk;
  }
  const std::string& file = SingleOperand(line, "FILE");
  const Installer installer = OpenInstaller(PathFromArgument(file), CodePageOf(line));
  std::size_t damaged = 0;
  for (std::size_t i = 0; i < installer.entries.size(); ++i) {
    const std::string name = DisplayName(installer, installer.entries[i].Name);
    const EntryCheck check = DecodeEntry(installer, i, [](std::span<const std::uint8_t>) {});
    if (!check.problem.empty()) {
      ++damaged;
      std::fprintf(stderr, "lzsfx: %s: %s: %s\n", file.c_str(), name.c_str(), check.problem.c_str());
    } else if (!line.Has("quiet")) {
      std::printf("ok  %s\n", name.c_str());
    }
  }
  if (damaged) {
    std::fprintf(stderr, "lzsfx: %s: %zu of %zu entries damaged\n", file.c_str(), damaged, installer.entries.size());
    return ExitFailure;
  }
  if (!line.Has("quiet")) std::printf("%s: all %zu entries ok\n", file.c_str(), installer.entries.size());
  return ExitOk;
}

int RunExtract(const CommandContext& context) {
  const CommandLine line(context.arguments, ExtractOptionSpecs);
  if (HandleHelp(line,
                 "usage: lzsfx extract FILE [-o DIR]\n\nUnpacks the stored files below DIR without running "
                 "anything. Names that could\nleave DIR are refused, existing files are kept unless --force is "
                 "given, and\na damaged entry is an error that leaves no file behind. Directories are kept\nwhatever "
                 "UseDirs says; dates and attributes are applied.\n",
                 ExtractOptionSpecs)) {
    return ExitOk;
  }
  const std::string& file = SingleOperand(line, "FILE");
  const Installer installer = OpenInstaller(PathFromArgument(file), CodePageOf(line));
  ExtractOptions options;
  options.destination = PathFromArgument(line.Value("output").value_or("."));
  options.overwrite = line.Has("force");
  const std::size_t problems = ExtractInstaller(installer, options, [&](const std::string& name, const std::string& problem) {
    std::fprintf(stderr, "lzsfx: %s: %s: %s\n", file.c_str(), name.c_str(), problem.c_str());
  });
  const std::size_t files = installer.entries.empty() ? 0 : installer.entries.size() - 1;
  if (problems) {
    std::fprintf(stderr, "lzsfx: %s: %zu of %zu entries not extracted\n", file.c_str(), problems, files);
    return ExitFailure;
  }
  if (!line.Has("quiet")) {
    std::printf("%zu files extracted into %s\n", files, Utf8FromPath(options.destination).c_str());
  }
  return ExitOk;
}

// --- compress, decompress ----------------------------------------------------------------

namespace {

const std::vector<OptionDefinition> CodecOptions = {
    {"input", 'i', true, "FILE", "read from FILE instead of stdin"},
    {"output", 'o', true, "FILE", "write to FILE instead of stdout"},
    HelpOption,
};

// Binary standard streams: stdio in binary mode where the system distinguishes it. Where it
// cannot be switched (some Windows run-times) text mode would corrupt the bytes, so the
// command refuses and asks for -i/-o.
std::FILE* BinaryStandardStream(std::FILE* stream, const char* mode, const char* option) {
  std::FILE* reopened = std::freopen(nullptr, mode, stream);
  if (reopened == nullptr) throw ToolError(std::string("cannot switch the standard stream to binary; use ") + option + " FILE");
  return reopened;
}

int RunCodec(const CommandContext& context, bool compress) {
  const CommandLine line(context.arguments, CodecOptions);
  const char* usage = compress ? "usage: lzsfx compress [-i FILE] [-o FILE]\n\nWrites one raw LZHUF stream of the input.\n"
                               : "usage: lzsfx decompress [-i FILE] [-o FILE]\n\nDecodes one raw LZHUF stream.\n";
  if (HandleHelp(line, usage, CodecOptions)) return ExitOk;
  if (!line.Operands().empty()) throw UsageError("unexpected argument " + line.Operands().front());

  std::FILE* in = nullptr;
  if (const auto path = line.Value("input")) {
    in = std::fopen(path->c_str(), "rb");
    if (in == nullptr) throw ToolError("cannot open " + *path);
  } else {
    in = BinaryStandardStream(stdin, "rb", "-i");
  }
  std::unique_ptr<AtomicOutput> file;
  if (const auto path = line.Value("output")) file = std::make_unique<AtomicOutput>(PathFromArgument(*path), OutputKind::Data);
  std::FILE* out = file ? nullptr : BinaryStandardStream(stdout, "wb", "-o");

  const ByteReader reader = [&](std::span<std::uint8_t> buffer) -> std::size_t {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
    if (got == 0 && std::ferror(in)) throw ToolError("cannot read the input");
    return got;
  };
  const ByteSink sink = [&](std::span<const std::uint8_t> bytes) {
    if (file) {
      file->Write(bytes);
    } else if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
      throw ToolError("cannot write the output");
    }
  };
  try {
    compress ? EncodeStreamWith(reader, sink) : DecodeStreamWith(reader, sink);
  } catch (...) {
    if (in != stdin) std::fclose(in);
    throw;
  }
  if (in != stdin) std::fclose(in);
  if (file) {
    file->Commit();
  } else if (std::fflush(out) != 0) {
    throw ToolError("cannot write the output");
  }
  return ExitOk;
}

}  // namespace

int RunCompress(const CommandContext& context) { return RunCodec(context, true); }
int RunDecompress(const CommandContext& context) { return RunCodec(context, false); }

}  // namespace lzsfx::tool
