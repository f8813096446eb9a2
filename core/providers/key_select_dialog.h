// CUKeySelectDlg: lets the user choose one of several connected USB keys,
// shown through the dialog program.
#pragma once

#include <string>
#include <vector>

#include "core/platform/dialog_runner.h"

namespace orvane {

// One candidate key: texts of its signing certificate, in the narrow
// character set of the user's locale (empty for a key without certificate).
struct KeySelectRow {
  std::string owner;   // subject common name
  std::string issuer;  // issuer common name
  std::string serial;  // certificate serial number
};

class CUKeySelectDlg {
 public:
  explicit CUKeySelectDlg(std::vector<KeySelectRow> rows) : rows_(std::move(rows)) {}

  // Shows the dialog and blocks until the user answers. Returns the chosen
  // row's index (the first row starts selected), or -1 when the user closed
  // the dialog without choosing or it could not be shown.
  int DoModal(platform::DialogRunner& runner = platform::DefaultDialogRunner());

  int chosenIndex() const { return chosenIndex_; }

 private:
  std::vector<KeySelectRow> rows_;
  int chosenIndex_ = -1;
};

}  // namespace orvane
