// The certificate-selection dialog: the user picks one certificate of a
// filtered set, shown through the dialog program.
#pragma once

#include <string>
#include <vector>

#include "core/platform/dialog_runner.h"

namespace orvane {

// One certificate as the list shows it, texts in the narrow character set
// of the user's locale.
struct CertSelectRow {
  std::string issuedTo;    // subject common name
  std::string issuedBy;    // issuer common name
  std::string serial;      // serial number
  std::string validUntil;  // end of validity
};

// Shows the list (it may be empty) and blocks until the user answers.
// Returns the chosen row's index, or -1 when the user cancelled or the
// dialog could not be shown.
int ShowCertSelectDialog(const std::vector<CertSelectRow>& rows,
                         platform::DialogRunner& runner = platform::DefaultDialogRunner());

}  // namespace orvane
