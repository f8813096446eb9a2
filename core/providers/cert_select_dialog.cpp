#include "core/providers/cert_select_dialog.h"

#include "core/resources/dialog_texts.h"
#include "core/resources/messages.h"
#include "core/util/text_convert.h"

namespace orvane {

int ShowCertSelectDialog(const std::vector<CertSelectRow>& rows, platform::DialogRunner& runner) {
  const CertSelectTexts& texts = CertSelectDialogTexts(CurrentMessageLanguage());
  nlohmann::json list = nlohmann::json::array();
  for (const auto& row : rows) {
    list.push_back({AnsiToUtf8String(row.issuedTo), AnsiToUtf8String(row.issuedBy), AnsiToUtf8String(row.serial),
                    AnsiToUtf8String(row.validUntil)});
  }
  const nlohmann::json request = {
      {"dialog", "selectcert"},
      {"caption", texts.caption},
      {"text", texts.text},
      {"columns", {texts.columns[0], texts.columns[1], texts.columns[2], texts.columns[3]}},
      {"rows", std::move(list)},
      {"ok", texts.ok},
      {"cancel", texts.cancel},
  };
  const auto answer = runner.Run(request);
  const auto index = answer ? answer->Integer("index") : std::nullopt;
  if (!index || *index < 0 || static_cast<std::size_t>(*index) >= rows.size()) return -1;
  return static_cast<int>(*index);
}

}  // namespace orvane
