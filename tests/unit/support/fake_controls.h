#pragma once
// In-memory controls for driving the commands natively. They behave as the real
// controls do where the commands can tell: a combo box's clear empties both its
// list and its text, the status bar keeps one text per panel key.
#include <deque>
#include <map>
#include <optional>
#include <vector>

#include "engine/search_session.h"
#include "base/steps.h"
#include "support/fake_registry.h"

namespace tarvex::testing {

class FakeComboBox final : public ComboBox {
public:
    std::u16string text() const override { return text_; }
    void set_text(const std::u16string& text) override { text_ = text; }
    void clear() override {
        items.clear();
        text_.clear();
    }
    void add_item(const std::u16string& item) override {
        if (fail_add_at && items.size() == *fail_add_at) {
            fail_add_at.reset();
            throw TarvexError{7, u"Out of memory"};
        }
        items.push_back(item);
    }

    std::vector<std::u16string> items;
    // Adding the item at this place fails once.
    std::optional<std::size_t> fail_add_at;

private:
    std::u16string text_;
};

class FakeCheckBox final : public CheckBox {
public:
    int value() const override { return checked; }
    int checked = 0;
};

class FakeStatusBar final : public StatusBar {
public:
    void set_text(std::u16string_view key, const std::u16string& text) override { panels[std::u16string(key)] = text; }
    std::u16string text(std::u16string_view key) const override {
        const auto found = panels.find(std::u16string(key));
        return found == panels.end() ? std::u16string() : found->second;
    }
    std::map<std::u16string, std::u16string> panels;
};

class FakeScreen final : public Screen {
public:
    void set_mouse_pointer(MousePointer pointer) override {
        current = pointer;
        history.push_back(pointer);
    }
    MousePointer current = MousePointer::standard;
    std::vector<MousePointer> history;
};

// Records every message box and answers from a script (OK when the script is empty).
class FakeMessageBoxes final : public MessageBoxes {
public:
    MessageAnswer show(const MessageRequest& request) override {
        shown.push_back(request);
        if (answers.empty()) {
            return MessageAnswer::ok;
        }
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<MessageRequest> shown;
    std::deque<MessageAnswer> answers;
};

// The main window's controls, wired as the commands expect them.
// Records what a command reports; asks to stop at the `stop_after`-th checkpoint
// (never when unset), as a user pressing Esc once would.
class FakeProgress final : public CommandProgress {
public:
    void start() override {
        ++starts;
        stopped = false;
    }
    // Every report is recorded, unless a benchmark turns that off.
    Checkpoint checkpoint() override {
        ++asked;
        if (stop_after && asked >= *stop_after) {
            stop_after.reset();  // one press of the key
            stopped = true;
        }
        return Checkpoint{stopped, keep_reports};
    }
    void report(const std::u16string& text) override { reports.push_back(text); }
    std::optional<int> stop_after;  // counted over the whole test, across commands
    int asked = 0;
    int starts = 0;
    bool stopped = false;
    bool keep_reports = true;
    std::vector<std::u16string> reports;
};

// The main window as the session sees it, with the session it works for: the
// in-memory controls above, a selection, a clipboard and files.
struct FakeMainWindow final : SearchView {
    ComboBox& search_box() override { return search; }
    ComboBox& replace_box() override { return replace; }
    bool entire_cell_content() const override { return entire_cell.value() == 1; }
    void set_status(const std::u16string& text) override { status.set_text(u"Status", text); }
    void set_pointer(MousePointer pointer) override { screen.set_mouse_pointer(pointer); }
    MessageAnswer show_message(const MessageRequest& request) override { return messages.show(request); }
    CommandProgress& progress() override { return other_progress_ ? *other_progress_ : progress_; }
    // Another progress port, for a benchmark that watches a command run.
    void use_progress(CommandProgress& progress) { other_progress_ = &progress; }
    void rows_changed() override { ++changes; }
    void ticks_changed() override { ++repaints; }
    std::optional<std::size_t> selected_row() const override { return selected; }
    std::vector<std::size_t> selected_rows() const override { return selection; }
    std::optional<std::size_t> focused_row() const override { return focused; }
    void select_all_rows() override {
        selection.clear();
        for (std::size_t i = 0; i < session.rows().size(); ++i) {
            selection.push_back(i);
        }
    }
    bool put_on_clipboard(const std::u16string& text, const std::string& csv) override {
        if (clipboard_busy) {
            return false;
        }
        clipboard = text;
        clipboard_csv = csv;
        return true;
    }
    std::optional<std::u16string> choose_export_file() override { return export_path; }
    bool write_file(const std::u16string& path, const std::string& bytes) override {
        if (!files_writable) {
            return false;
        }
        files[path] = bytes;
        return true;
    }

    std::optional<std::u16string> choose_pairs_file() override { return pairs_path; }
    std::optional<std::string> read_file(const std::u16string& path) override {
        const auto found = files.find(path);
        return found == files.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    std::optional<std::u16string> clipboard_text() override { return clipboard_in; }

    std::u16string status_text() const { return status.text(u"Status"); }
    ResultList& rows() { return session.rows(); }
    const ResultList& rows() const { return session.rows(); }

    FakeComboBox search;
    FakeComboBox replace;
    FakeCheckBox entire_cell;
    FakeStatusBar status;
    FakeScreen screen;
    FakeMessageBoxes messages;
    FakeRegistry registry;
    SettingsContext settings{registry, messages};
    FakeProgress progress_;
    CommandProgress* other_progress_ = nullptr;
    std::optional<std::size_t> selected;
    std::vector<std::size_t> selection;
    std::optional<std::size_t> focused;
    int changes = 0;
    int repaints = 0;
    std::u16string clipboard;
    std::string clipboard_csv;
    bool clipboard_busy = false;
    std::optional<std::u16string> export_path;
    std::map<std::u16string, std::string> files;
    bool files_writable = true;
    std::optional<std::u16string> pairs_path;
    std::optional<std::u16string> clipboard_in;
    SearchSession session{*this, settings};
};

}  // namespace tarvex::testing
