#include "prompt/gtk_dialogs.h"

#include <gtk/gtk.h>

#include <algorithm>

#include "prompt/answer.h"
#include "prompt/trace.h"

namespace orvane::prompt {
namespace {

// ---- Building blocks ---------------------------------------------------------------

// A top-level dialog, destroyed when the object goes away.
class Dialog {
 public:
  Dialog(const std::string& title, const std::string& ok, const std::string& cancel) : widget_(gtk_dialog_new()) {
    GtkWindow* window = GTK_WINDOW(widget_);
    gtk_window_set_title(window, title.c_str());
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_keep_above(window, TRUE);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    gtk_dialog_add_button(GTK_DIALOG(widget_), ok.c_str(), GTK_RESPONSE_OK);
    gtk_dialog_add_button(GTK_DIALOG(widget_), cancel.c_str(), GTK_RESPONSE_CANCEL);
    gtk_dialog_set_default_response(GTK_DIALOG(widget_), GTK_RESPONSE_OK);
  }
  ~Dialog() { gtk_widget_destroy(widget_); }
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  GtkWidget* widget() const { return widget_; }
  GtkContainer* content() const { return GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(widget_))); }
  // Shows the dialog and waits for a button or for the window to close.
  bool RunConfirmed() const {
    gtk_widget_show_all(widget_);
    return gtk_dialog_run(GTK_DIALOG(widget_)) == GTK_RESPONSE_OK;
  }

 private:
  GtkWidget* widget_;
};

GtkWidget* NewGrid() {
  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), 8);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
  gtk_container_set_border_width(GTK_CONTAINER(grid), 12);
  return grid;
}

// A hidden-text field beside its label in row `row` of `grid`. `maxChars`
// 0 leaves the length open.
GtkWidget* AddPasswordRow(GtkWidget* grid, int row, const std::string& label, int maxChars) {
  GtkWidget* caption = gtk_label_new(label.c_str());
  gtk_label_set_xalign(GTK_LABEL(caption), 0.0f);
  GtkWidget* entry = gtk_entry_new();
  gtk_entry_set_visibility(GTK_ENTRY(entry), FALSE);
  gtk_entry_set_input_purpose(GTK_ENTRY(entry), GTK_INPUT_PURPOSE_PASSWORD);
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  gtk_entry_set_width_chars(GTK_ENTRY(entry), 24);
  if (maxChars > 0) gtk_entry_set_max_length(GTK_ENTRY(entry), maxChars);
  gtk_grid_attach(GTK_GRID(grid), caption, 0, row, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), entry, 1, row, 1, 1);
  return entry;
}

// The field's text, copied into a wiping buffer.
SecretString EntryText(GtkWidget* entry) { return SecretString(gtk_entry_get_text(GTK_ENTRY(entry))); }

void ShowMessage(GtkWidget* parent, const ValidationTexts& texts, Message message) {
  const std::string& text = texts.Text(message);
  TraceMessage(text);
  GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(parent),
                                          static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                          GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), texts.caption.c_str());
  gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

// ---- PIN entry and PIN change --------------------------------------------------------

std::optional<SecretString> AskPin(const PinRequest& r) {
  Dialog dialog(r.title, r.ok, r.cancel);
  GtkWidget* grid = NewGrid();
  GtkWidget* pinEntry = AddPasswordRow(grid, 0, r.label, 0);
  GtkWidget* confirmEntry = r.newPin ? AddPasswordRow(grid, 1, r.confirmLabel, 0) : nullptr;
  GtkWidget* hint = gtk_label_new(r.hint.c_str());
  gtk_label_set_justify(GTK_LABEL(hint), GTK_JUSTIFY_CENTER);
  gtk_grid_attach(GTK_GRID(grid), hint, 0, 2, 2, 1);
  gtk_container_add(dialog.content(), grid);
  gtk_widget_grab_focus(pinEntry);

  while (dialog.RunConfirmed()) {
    const SecretString pin = EntryText(pinEntry);
    const SecretString confirmation = confirmEntry ? EntryText(confirmEntry) : SecretString();
    const Verdict verdict = CheckPinEntry(pin, confirmation, r.newPin);
    if (verdict.accepted()) return PinAnswer(pin);
    ShowMessage(dialog.widget(), r.messages, verdict.message);
    gtk_widget_grab_focus(verdict.focus == Field::kConfirm ? confirmEntry : pinEntry);
  }
  return std::nullopt;
}

std::optional<SecretString> AskPinChange(const ChangePinRequest& r) {
  Dialog dialog(r.title, r.ok, r.cancel);
  GtkWidget* grid = NewGrid();
  // Each field takes at most kMaxChangePinChars characters; typing stops there.
  constexpr int kMax = static_cast<int>(kMaxChangePinChars);
  GtkWidget* oldEntry = AddPasswordRow(grid, 0, r.oldLabel, kMax);
  GtkWidget* newEntry = AddPasswordRow(grid, 1, r.newLabel, kMax);
  GtkWidget* confirmEntry = AddPasswordRow(grid, 2, r.confirmLabel, kMax);
  gtk_container_add(dialog.content(), grid);
  gtk_widget_grab_focus(oldEntry);

  while (dialog.RunConfirmed()) {
    const SecretString oldPin = EntryText(oldEntry);
    const SecretString newPin = EntryText(newEntry);
    const SecretString confirmation = EntryText(confirmEntry);
    const Verdict verdict = CheckPinChange(oldPin, newPin, confirmation);
    if (verdict.accepted()) return ChangePinAnswer(oldPin, newPin);
    ShowMessage(dialog.widget(), r.messages, verdict.message);
    if (verdict.clearNewAndConfirm) {
      gtk_entry_set_text(GTK_ENTRY(newEntry), "");
      gtk_entry_set_text(GTK_ENTRY(confirmEntry), "");
    }
    GtkWidget* focus = verdict.focus == Field::kOldPin ? oldEntry : verdict.focus == Field::kNewPin ? newEntry : confirmEntry;
    gtk_widget_grab_focus(focus);
  }
  return std::nullopt;
}

// ---- Choosing a row ---------------------------------------------------------------------

void RespondOk(GtkTreeView*, GtkTreePath*, GtkTreeViewColumn*, gpointer dialog) {
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
}

GtkWidget* NewRowList(const SelectRequest& r) {
  std::size_t columns = r.columns.size();
  for (const auto& row : r.rows) columns = std::max(columns, row.size());
  columns = std::max<std::size_t>(columns, 1);
  std::vector<GType> types(columns, G_TYPE_STRING);
  GtkListStore* store = gtk_list_store_newv(static_cast<gint>(columns), types.data());
  for (const auto& row : r.rows) {
    GtkTreeIter iter;
    gtk_list_store_append(store, &iter);
    for (std::size_t i = 0; i < row.size(); ++i) gtk_list_store_set(store, &iter, static_cast<gint>(i), row[i].c_str(), -1);
  }
  GtkWidget* list = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
  g_object_unref(store);
  for (std::size_t i = 0; i < columns; ++i) {
    const char* title = i < r.columns.size() ? r.columns[i].c_str() : "";
    GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes(title, gtk_cell_renderer_text_new(), "text",
                                                                         static_cast<gint>(i), nullptr);
    gtk_tree_view_column_set_resizable(column, TRUE);
    if (i < r.widths.size() && r.widths[i] > 0) {
      gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
      gtk_tree_view_column_set_fixed_width(column, r.widths[i]);
    }
    gtk_tree_view_append_column(GTK_TREE_VIEW(list), column);
  }
  gtk_tree_view_set_grid_lines(GTK_TREE_VIEW(list), GTK_TREE_VIEW_GRID_LINES_BOTH);
  return list;
}

std::optional<SecretString> AskChoice(const SelectRequest& r) {
  Dialog dialog(r.caption, r.ok, r.cancel);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
  gtk_container_set_border_width(GTK_CONTAINER(box), 12);
  GtkWidget* text = gtk_label_new(r.text.c_str());
  gtk_label_set_line_wrap(GTK_LABEL(text), TRUE);
  gtk_label_set_xalign(GTK_LABEL(text), 0.0f);
  gtk_box_pack_start(GTK_BOX(box), text, FALSE, FALSE, 0);

  GtkWidget* list = NewRowList(r);
  GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(list));
  gtk_tree_selection_set_mode(selection, GTK_SELECTION_BROWSE);
  if (!r.rows.empty()) {
    GtkTreePath* first = gtk_tree_path_new_first();
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(list), first, nullptr, FALSE);
    gtk_tree_path_free(first);
  }
  g_signal_connect(list, "row-activated", G_CALLBACK(RespondOk), dialog.widget());
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
  gtk_widget_set_size_request(scroller, 540, 180);
  gtk_container_add(GTK_CONTAINER(scroller), list);
  gtk_box_pack_start(GTK_BOX(box), scroller, TRUE, TRUE, 0);
  gtk_container_add(dialog.content(), box);
  gtk_widget_grab_focus(list);

  if (!dialog.RunConfirmed()) return std::nullopt;
  GtkTreeModel* model = nullptr;
  GtkTreeIter iter;
  if (!gtk_tree_selection_get_selected(selection, &model, &iter)) return std::nullopt;
  GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
  const int index = gtk_tree_path_get_indices(path)[0];
  gtk_tree_path_free(path);
  return IndexAnswer(index);
}

}  // namespace

std::optional<SecretString> RunGtkDialog(const Request& request) {
  if (const auto* pin = std::get_if<PinRequest>(&request)) return AskPin(*pin);
  if (const auto* change = std::get_if<ChangePinRequest>(&request)) return AskPinChange(*change);
  return AskChoice(std::get<SelectRequest>(request));
}

}  // namespace orvane::prompt
