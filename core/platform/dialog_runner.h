// Showing a dialog: the library hands a request to the dialog program
// (orvane-prompt) and blocks until the user has answered, as a modal dialog
// blocks its thread.
//
// The request is one JSON object; the program answers with one JSON object
// on its standard output and exit status 0 when the user confirmed. Anything
// else (another status, no or a malformed answer, no program) counts as
// cancelled.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "core/platform/dialog_runner_answer.h"

namespace orvane::platform {

class DialogRunner {
 public:
  virtual ~DialogRunner() = default;
  // Shows the dialog that `request` describes and waits for the user. The
  // answer when the user confirmed, nullopt when the dialog was cancelled or
  // could not be shown.
  virtual std::optional<DialogAnswer> Run(const nlohmann::json& request) = 0;
};

// Runs the dialog program as a child process: request on its standard input,
// answer on its standard output (at most kMaxAnswerBytes; a longer answer
// ends the program and counts as cancelled).
class ProcessDialogRunner : public DialogRunner {
 public:
  static constexpr std::size_t kMaxAnswerBytes = 64 * 1024;

  // An empty `program` means FindDialogProgram() at every run.
  explicit ProcessDialogRunner(std::string program = {}) : program_(std::move(program)) {}
  std::optional<DialogAnswer> Run(const nlohmann::json& request) override;

 private:
  std::string program_;
};

// The dialog program: $ORVANE_PROMPT when set and non-empty (a name without
// "/" is looked up in PATH), else "orvane-prompt" beside the library that
// holds this code, else "orvane-prompt" from PATH. Empty when none is found.
std::string FindDialogProgram();

// The search of FindDialogProgram with its inputs spelled out: `override`
// ($ORVANE_PROMPT, may be null), the folder of the library, the PATH list.
std::string FindDialogProgramIn(const char* override, const std::string& libraryFolder, const char* pathList);

// The runner the library's dialogs use: a ProcessDialogRunner.
DialogRunner& DefaultDialogRunner();

}  // namespace orvane::platform
