// The extraction driver: one run over the archive appended to the program file. It reads
// the catalog, extracts the configuration entry (the catalog's last entry) into the
// destination, takes the launch command and the four options from it, deletes it, and
// extracts every other entry in catalog order until the end or a cancel.
//
// The shared State lives here across a run: Aborted and FirstProgress are set at the start,
// ArchiveHandle is open from OpenArchive to the end of the run (also when a failure passes
// through), and Aborted is cleared again at a normal end. A bad or empty catalog and an
// archive that cannot be opened end the run with their message box and an empty command;
// failures of the entries (see entry_output.h) leave RunExtraction as raised Exceptions.
#pragma once

#include <string>

#include "extract/entry_output.h"

namespace lzsfx {

class ProgressDialog;

inline constexpr char ConfigurationSection[] = "VESK Configuration";
inline constexpr std::size_t ConfigValueBufferSize = 260;  // bytes: 259 characters and the zero

// What the configuration entry asks for.
struct Configuration {
  std::string LaunchCommand;  // empty: nothing is started
  ExtractionOptions Options;
};

// Runs the extraction below destination (with or without its trailing '\'), reporting to
// window (State.ProgressWindow, cleared again at the end unless a failure passes through);
// gives the launch command, empty when nothing is to be started.
std::string RunExtraction(ProgressDialog* window, const std::string& destination);

// Reads the configuration file at configPath: Executable (appended to the destination),
// Parameters (after one blank, only with an Executable), and the four options, each off
// only for exactly "0". A missing file, section or key reads as the empty text.
Configuration ReadConfiguration(const std::string& configPath, const std::string& destination);

// One value of the configuration section, at most 259 characters; defaultValue when missing.
std::string ReadConfigValue(const std::string& section, const std::string& key, const std::string& defaultValue,
                            const std::string& file);

// Opens ArchivePath for reading as ArchiveHandle; on failure shows "Error opening archive
// file." with a description, and gives false.
bool OpenArchive();
void CloseArchive();

}  // namespace lzsfx
