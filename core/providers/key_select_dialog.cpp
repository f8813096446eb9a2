#include "core/providers/key_select_dialog.h"

#include "core/resources/dialog_texts.h"
#include "core/util/text_convert.h"

namespace orvane {

int CUKeySelectDlg::DoModal(platform::DialogRunner& runner) {
  chosenIndex_ = -1;
  const KeySelectTexts& texts = KeySelectDialogTexts();
  nlohmann::json rows = nlohmann::json::array();
  for (const auto& row : rows_) {
    rows.push_back({AnsiToUtf8String(row.owner), AnsiToUtf8String(row.issuer), AnsiToUtf8String(row.serial)});
  }
  const nlohmann::json request = {
      {"dialog", "selectkey"},
      {"caption", texts.caption},
      {"text", texts.text},
      {"columns", {texts.columns[0], texts.columns[1], texts.columns[2]}},
      {"widths", {texts.columnWidths[0], texts.columnWidths[1], texts.columnWidths[2]}},
      {"rows", std::move(rows)},
      {"ok", texts.ok},
      {"cancel", texts.cancel},
  };
  const auto answer = runner.Run(request);
  const auto index = answer ? answer->Integer("index") : std::nullopt;
  if (index && *index >= 0 && static_cast<std::size_t>(*index) < rows_.size()) chosenIndex_ = static_cast<int>(*index);
  return chosenIndex_;
}

}  // namespace orvane
